#include "platform/audio/AudioPlayer.h"

#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/audio/AudioDevice.h"
#include "platform/audio/SoundDecoder.h"

#include <AL/alext.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>

// [SECTION] Shared output: one device and one context for every player
// [SECTION] Player registry: service, deliveries, interruptions
// [SECTION] Opening and closing
// [SECTION] Playing
// [SECTION] Streaming

namespace platform::audio {

namespace {

// [SECTION] Shared output

constexpr int kOutputRate = 44100;
constexpr auto kRefillPeriod = std::chrono::milliseconds(10);

struct Output {
  std::mutex mutex;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  int users = 0;
  PFNALCSETTHREADCONTEXTPROC setThreadContext = nullptr;
  PFNALCGETTHREADCONTEXTPROC getThreadContext = nullptr;
};

Output& output() {
  static Output* shared = new Output();  // outlives static destructors
  return *shared;
}

bool acquireOutput() {
  Output& out = output();
  std::lock_guard lock(out.mutex);
  if (out.users > 0) {
    ++out.users;
    return true;
  }
#ifdef __EMSCRIPTEN__
  // One thread on the web: the players' context is switched in and out as
  // the process-wide current one.
  out.setThreadContext = alcMakeContextCurrent;
  out.getThreadContext = alcGetCurrentContext;
#else
  if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") != ALC_TRUE) {
    log("tessera: AudioPlayer: OpenAL lacks thread-local contexts; no audio file can play");
    return false;
  }
  out.setThreadContext = reinterpret_cast<PFNALCSETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
  out.getThreadContext = reinterpret_cast<PFNALCGETTHREADCONTEXTPROC>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
#endif
  if (!out.setThreadContext || !out.getThreadContext) return false;
  out.device = openAudioDevice();
  if (out.device == nullptr) return false;
  const std::vector<ALCint> attributes = contextAttributes(out.device, kOutputRate);
  out.context = alcCreateContext(out.device, attributes.data());
  if (out.context == nullptr) {
    log("tessera: AudioPlayer: no OpenAL context (ALC error 0x%x)", static_cast<unsigned>(alcGetError(out.device)));
    closeAudioDevice(out.device);
    out.device = nullptr;
    return false;
  }
  out.users = 1;
  return true;
}

void releaseOutput() {
  Output& out = output();
  std::lock_guard lock(out.mutex);
  if (out.users == 0 || --out.users > 0) return;
  if (out.getThreadContext() == out.context) out.setThreadContext(nullptr);
  alcDestroyContext(out.context);
  closeAudioDevice(out.device);
  out.context = nullptr;
  out.device = nullptr;
}

// [SECTION] Player registry

std::mutex registryMutex;
std::vector<AudioPlayer*> livePlayers;  // weak: each player removes itself first thing in its destructor
std::uint64_t nextSerial = 1;

}  // namespace

/// Makes the players' context current on this thread for the scope, then puts
/// back whatever this thread had (usually none, so the process-wide current
/// context applies again).
class AudioPlayer::ContextScope {
 public:
  ContextScope() {
    Output& out = output();
    previous_ = out.getThreadContext();
    out.setThreadContext(out.context);
  }
  ~ContextScope() { output().setThreadContext(previous_); }
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  ALCcontext* previous_ = nullptr;
};

void AudioPlayer::service() {
  std::lock_guard lock(registryMutex);
  for (AudioPlayer* player : livePlayers) player->refill();
}

ALCdevice* AudioPlayer::outputDevice() {
  Output& out = output();
  std::lock_guard lock(out.mutex);
  return out.users > 0 ? out.device : nullptr;
}

bool AudioPlayer::renderOutput(float* out, int frames) {
  Output& shared = output();
  std::lock_guard lock(shared.mutex);
  return shared.users > 0 && renderLoopbackSamples(shared.device, out, frames);
}

namespace {

/// The live players, retained, so delegates may release them while being told.
std::vector<Ref<AudioPlayer>> retainedPlayers() {
  std::lock_guard lock(registryMutex);
  return {livePlayers.begin(), livePlayers.end()};
}

}  // namespace

void AudioPlayer::beginInterruption() {
  for (const Ref<AudioPlayer>& player : retainedPlayers()) {
    if (!player->isPlaying()) continue;
    player->pause();
    player->interrupted_ = true;
    if (player->delegate_) player->delegate_->audioPlayerBeginInterruption(player.get());
  }
}

void AudioPlayer::endInterruption() {
  for (const Ref<AudioPlayer>& player : retainedPlayers()) {
    if (!player->interrupted_) continue;
    player->interrupted_ = false;
    if (player->delegate_) player->delegate_->audioPlayerEndInterruption(player.get());
  }
}

// [SECTION] Opening and closing

AudioPlayer* AudioPlayer::playerWithContentsOfFile(const std::string& path) {
  return createAutoreleased<AudioPlayer>([&](AudioPlayer& player) { return player.initWithContentsOfFile(path); });
}

bool AudioPlayer::initWithContentsOfFile(const std::string& path) {
  if (file_) return false;  // a player plays one file for its whole life
  path_ = path;
  SF_INFO info{};
  file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (file_ == nullptr) {
    log("tessera: AudioPlayer: cannot open \"%s\": %s", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  if (info.channels < 1 || info.channels > 2 || info.frames <= 0 || info.samplerate < 1 ||
      info.samplerate > kMaxSampleRate) {
    log("tessera: AudioPlayer: \"%s\" refused: %d channels, %lld frames at %d Hz (1 or 2 channels, some frames)",
        path.c_str(), info.channels, static_cast<long long>(info.frames), info.samplerate);
    return false;
  }
  channels_ = info.channels;
  sampleRate_ = info.samplerate;
  totalFrames_ = info.frames;
  duration_ = static_cast<double>(totalFrames_) / sampleRate_;
  format_ = channels_ == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
  scratch_.resize(static_cast<std::size_t>(kBufferFrames) * static_cast<std::size_t>(channels_));

  if (!acquireOutput()) return false;
  hasOutput_ = true;
  {
    ContextScope scope;
    alGetError();
    alGenSources(1, &source_);
    buffers_.resize(kQueueBuffers);
    alGenBuffers(kQueueBuffers, buffers_.data());
    if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
      log("tessera: AudioPlayer: no OpenAL source or buffers for \"%s\" (AL error 0x%x)", path.c_str(),
          static_cast<unsigned>(error));
      return false;
    }
    // A plain stereo or centred mono sound: no 3-D placement.
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, 0, 0, 0);
    alSourcef(source_, AL_GAIN, volume_);
    freeBuffers_ = buffers_;
  }
  {
    std::lock_guard lock(registryMutex);
    serial_ = nextSerial++;
    livePlayers.push_back(this);
  }
  startThread();
  return true;
}

AudioPlayer::~AudioPlayer() {
  {
    std::lock_guard lock(registryMutex);
    std::erase(livePlayers, this);
  }
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (hasOutput_) {
    {
      ContextScope scope;
      if (source_ != 0) {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
      }
      for (ALuint buffer : buffers_) {
        if (buffer != 0) alDeleteBuffers(1, &buffer);
      }
    }
    releaseOutput();
  }
  if (file_) sf_close(file_);
}

// [SECTION] Playing

void AudioPlayer::queueFreeBuffers() {
  while (!readerEnded_ && !freeBuffers_.empty()) {
    Queued entry;
    entry.buffer = freeBuffers_.back();
    entry.loopsLeftBefore = loopsLeft_;
    if (!fillBuffer(entry.buffer, entry.startFrame, entry.frames)) {
      readerEnded_ = true;
      break;
    }
    alSourceQueueBuffers(source_, 1, &entry.buffer);
    freeBuffers_.pop_back();
    queue_.push_back(entry);
  }
}

bool AudioPlayer::prepareToPlay() {
  std::lock_guard lock(mutex_);
  if (!hasOutput_) return false;
  ContextScope scope;
  queueFreeBuffers();
  return !readFailed_;
}

bool AudioPlayer::play() {
  {
    std::lock_guard lock(mutex_);
    if (!hasOutput_) return false;
    if (playing_) return true;
    ContextScope scope;
    ++generation_;
    interrupted_ = false;
    playing_ = true;
    alGetError();
    refillLocked();
    if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
      log("tessera: AudioPlayer: \"%s\" cannot play (AL error 0x%x)", path_.c_str(), static_cast<unsigned>(error));
      playing_ = false;
      return false;
    }
  }
  wake_.notify_all();
  return true;
}

void AudioPlayer::pause() {
  std::lock_guard lock(mutex_);
  if (!hasOutput_ || !playing_) return;
  ContextScope scope;
  ++generation_;
  alSourcePause(source_);
  playing_ = false;
}

void AudioPlayer::stop() {
  std::lock_guard lock(mutex_);
  if (!hasOutput_) return;
  ContextScope scope;
  ++generation_;
  playing_ = false;
  flushQueue();
  seekLocked(pausedFrame_);
}

bool AudioPlayer::isPlaying() const {
  std::lock_guard lock(mutex_);
  return playing_;
}

double AudioPlayer::currentTime() const {
  std::lock_guard lock(mutex_);
  if (!hasOutput_) return 0;
  ContextScope scope;
  return static_cast<double>(positionLocked()) / sampleRate_;
}

void AudioPlayer::setCurrentTime(double seconds) {
  std::lock_guard lock(mutex_);
  if (!hasOutput_) return;
  ContextScope scope;
  ++generation_;
  const double frame = std::clamp(seconds * sampleRate_, 0.0, static_cast<double>(totalFrames_));
  flushQueue();
  seekLocked(static_cast<std::int64_t>(frame));
  if (playing_) refillLocked();
}

void AudioPlayer::setVolume(float volume) {
  std::lock_guard lock(mutex_);
  volume_ = std::clamp(volume, 0.0f, 1.0f);
  if (!hasOutput_) return;
  ContextScope scope;
  alSourcef(source_, AL_GAIN, volume_);
}

void AudioPlayer::setNumberOfLoops(int loops) {
  std::lock_guard lock(mutex_);
  numberOfLoops_ = loops < -1 ? -1 : loops;
  if (hasOutput_ && !queue_.empty()) {
    // The reader may have read ahead (prepareToPlay, streaming) under the
    // old count: read again from the position being played.
    ContextScope scope;
    flushQueue();
    seekLocked(pausedFrame_);
    loopsLeft_ = numberOfLoops_;
    if (playing_) refillLocked();
    return;
  }
  loopsLeft_ = numberOfLoops_;
}

// [SECTION] Streaming

void AudioPlayer::startThread() {
#ifdef __EMSCRIPTEN__
  // No threads on the web: one repeating main-loop timer refills every live
  // player (a player leaves the registry before it goes).
  static Timer* refillTimer = nullptr;
  if (refillTimer == nullptr) {
    refillTimer = Timer::scheduledTimer(std::chrono::duration<double>(kRefillPeriod).count(), true,
                                        [](Timer*) { AudioPlayer::service(); });
    refillTimer->retain();
  }
#else
  thread_ = std::thread([this] { threadMain(); });
#endif
}

void AudioPlayer::threadMain() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    wake_.wait_for(lock, kRefillPeriod, [this] { return quit_; });
    if (quit_) break;
    if (playing_) {
      ContextScope scope;
      refillLocked();
    }
  }
}

void AudioPlayer::refill() {
  std::lock_guard lock(mutex_);
  if (!playing_) return;
  ContextScope scope;
  refillLocked();
}

void AudioPlayer::refillLocked() {
  ALint processed = 0;
  alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
  for (; processed > 0 && !queue_.empty(); --processed) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source_, 1, &buffer);
    queue_.pop_front();
    freeBuffers_.push_back(buffer);
  }
  queueFreeBuffers();
  ALint state = AL_STOPPED;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) return;
  if (!queue_.empty()) {
    // First start, a resume, or the source ran dry before a refill came.
    alSourcePlay(source_);
  } else {
    finishLocked(!readFailed_);
  }
}

bool AudioPlayer::fillBuffer(ALuint buffer, std::int64_t& startFrame, int& frames) {
  startFrame = readFrame_;
  int got = 0;
  bool justSeeked = false;
  while (got < kBufferFrames) {
    short* into = scratch_.data() + static_cast<std::size_t>(got) * static_cast<std::size_t>(channels_);
    const sf_count_t read = sf_readf_short(file_, into, kBufferFrames - got);
    if (read > 0) {
      got += static_cast<int>(read);
      readFrame_ += read;
      justSeeked = false;
      continue;
    }
    // The end of the file (or of what can be read of it).
    if (loopsLeft_ == 0) break;
    if (justSeeked || sf_seek(file_, 0, SEEK_SET) < 0) {
      log("tessera: AudioPlayer: \"%s\" cannot be read again from the start", path_.c_str());
      readFailed_ = true;
      break;
    }
    if (loopsLeft_ > 0) --loopsLeft_;
    readFrame_ = 0;
    justSeeked = true;
  }
  if (got == 0) return false;
  alBufferData(buffer, format_, scratch_.data(), got * channels_ * static_cast<int>(sizeof(short)), sampleRate_);
  frames = got;
  return true;
}

std::int64_t AudioPlayer::positionLocked() const {
  if (queue_.empty()) return pausedFrame_;
  ALint offset = 0;
  alGetSourcei(source_, AL_SAMPLE_OFFSET, &offset);
  std::int64_t frame = queue_.back().startFrame + queue_.back().frames;
  for (const Queued& entry : queue_) {
    if (offset < entry.frames) {
      frame = entry.startFrame + offset;
      break;
    }
    offset -= entry.frames;
  }
  return totalFrames_ > 0 ? frame % totalFrames_ : 0;
}

void AudioPlayer::flushQueue() {
  if (!queue_.empty()) {
    // Keep the position and the loops still to play at that position: the
    // reader may already be a loop ahead.
    ALint offset = 0;
    alGetSourcei(source_, AL_SAMPLE_OFFSET, &offset);
    const Queued* current = &queue_.back();
    for (const Queued& entry : queue_) {
      if (offset < entry.frames) {
        current = &entry;
        break;
      }
      offset -= entry.frames;
    }
    loopsLeft_ = current->loopsLeftBefore;
    if (current->startFrame + std::min<std::int64_t>(offset, current->frames) >= totalFrames_ && loopsLeft_ > 0) {
      --loopsLeft_;
    }
    pausedFrame_ = positionLocked();
  }
  alSourceStop(source_);
  alSourcei(source_, AL_BUFFER, 0);
  for (const Queued& entry : queue_) freeBuffers_.push_back(entry.buffer);
  queue_.clear();
}

void AudioPlayer::seekLocked(std::int64_t frame) {
  frame = std::clamp<std::int64_t>(frame, 0, totalFrames_);
  if (sf_seek(file_, frame, SEEK_SET) < 0) {
    log("tessera: AudioPlayer: \"%s\" cannot seek to frame %lld", path_.c_str(), static_cast<long long>(frame));
    frame = 0;
    sf_seek(file_, 0, SEEK_SET);
  }
  readFrame_ = frame;
  pausedFrame_ = frame;
  readerEnded_ = false;
  readFailed_ = false;
}

void AudioPlayer::finishLocked(bool successfully) {
  playing_ = false;
  flushQueue();
  seekLocked(0);
  loopsLeft_ = numberOfLoops_;
  const std::uint64_t serial = serial_;
  const std::uint64_t generation = generation_;
  // Delivered on the main thread, and only to this very player if it still
  // exists and has not been played, paused, stopped or moved since.
  performOnMainThread(
      [serial, generation, successfully] {
        Ref<AudioPlayer> player;
        {
          std::lock_guard lock(registryMutex);
          auto found = std::find_if(livePlayers.begin(), livePlayers.end(),
                                    [&](AudioPlayer* live) { return live->serial_ == serial; });
          if (found == livePlayers.end()) return;
          player = *found;
        }
        {
          std::lock_guard lock(player->mutex_);
          if (player->generation_ != generation) return;
        }
        if (player->delegate_) player->delegate_->audioPlayerDidFinishPlaying(player.get(), successfully);
      },
      false);
}

}  // namespace platform::audio
