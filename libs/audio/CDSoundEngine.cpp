#include "audio/CDSoundEngine.h"

#include "audio/CDAsynchBufferLoader.h"
#include "audio/CDSoundSource.h"
#include "audio/CDUtilities.h"
#include "platform/Log.h"
#include "platform/Notifications.h"
#include "platform/audio/AudioDevice.h"
#include "platform/audio/SoundDecoder.h"

#include <algorithm>
#include <cmath>

namespace audio {

namespace {

float mixerRate = 44100;

}  // namespace

void CDSoundEngine::setMixerSampleRate(float hertz) { mixerRate = hertz; }

float CDSoundEngine::mixerSampleRate() { return mixerRate; }

CDSoundEngine* CDSoundEngine::soundEngine() {
  auto* engine = new CDSoundEngine();
  engine->init();
  engine->autorelease();
  return engine;
}

// [SECTION] Start-up and shutdown

bool CDSoundEngine::init() {
  asynchLoadProgress_ = 0;
  device_ = platform::audio::openAudioDevice();
  if (device_ == nullptr) {
    platform::log("tessera: CDSoundEngine: not functioning, every sound is muted");
    return true;
  }
  const std::vector<ALCint> attributes =
      platform::audio::contextAttributes(device_, static_cast<int>(std::lround(mixerRate)));
  context_ = alcCreateContext(device_, attributes.data());
  if (context_ == nullptr || alcMakeContextCurrent(context_) != ALC_TRUE) {
    platform::log("tessera: CDSoundEngine: no OpenAL context at %.0f Hz (ALC error 0x%x); every sound is muted",
                  static_cast<double>(mixerRate), static_cast<unsigned>(alcGetError(device_)));
    if (context_) alcDestroyContext(context_);
    context_ = nullptr;
    platform::audio::closeAudioDevice(device_);
    device_ = nullptr;
    return true;
  }
  {
    std::lock_guard lock(bufferLock_);
    buffers_.reserve(kInitialBuffers);
    for (int i = 0; i < kInitialBuffers; ++i) buffers_.push_back(makeBuffer());
  }
  generateSources();
  const int allSources = sourceTotal_;
  defineSourceGroups(&allSources, 1);
  functioning_ = true;
  alGetListenerf(AL_GAIN, &preMuteGain_);
  mute_ = false;
  enabled_ = true;

  // Some implementations ignore source gain; callers that fade sources ask.
  if (sourceTotal_ > 0) {
    const ALuint source = sources_[0].sourceId;
    alSourcef(source, AL_GAIN, 0.0f);
    alSourcef(source, AL_GAIN, 0.7f);
    ALfloat readBack = 0;
    alGetSourcef(source, AL_GAIN, &readBack);
    getGainWorks_ = readBack == 0.7f;
  }
  return true;
}

void CDSoundEngine::generateSources() {
  alGetError();
  for (int i = 0; i < kMaxSources; ++i) {
    ALuint source = 0;
    alGenSources(1, &source);
    const ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
      lastErrorCode_ = error;
      break;
    }
    alSourcei(source, AL_BUFFER, 0);
    sources_[static_cast<std::size_t>(i)] = {true, source, 0};
    ++sourceTotal_;
  }
  for (int i = sourceTotal_; i < kMaxSources; ++i) sources_[static_cast<std::size_t>(i)] = {};
}

CDSoundEngine::BufferInfo CDSoundEngine::makeBuffer() {
  BufferInfo info;
  alGetError();
  alGenBuffers(1, &info.bufferId);
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    lastErrorCode_ = error;
    info.bufferId = 0;
    info.state = kBufferFailed;
  }
  return info;
}

CDSoundEngine::~CDSoundEngine() {
  // Queued loaders retain the engine, so none is left unless this runs on the
  // queue's own worker (a loader held the last reference); the queue then
  // winds down by itself.
  asynchLoadQueue_.reset();
  for (CDSoundSource* handle : handles_) handle->engine_ = nullptr;
  handles_.clear();
  if (!functioning_ && context_ == nullptr) return;
  // The engine's names live in its own context: make sure it is the current one.
  ALCcontext* previous = alcGetCurrentContext();
  if (previous != context_) alcMakeContextCurrent(context_);
  for (int i = 0; i < sourceTotal_; ++i) {
    alSourceStop(sources_[static_cast<std::size_t>(i)].sourceId);
    alSourcei(sources_[static_cast<std::size_t>(i)].sourceId, AL_BUFFER, 0);
    alDeleteSources(1, &sources_[static_cast<std::size_t>(i)].sourceId);
  }
  {
    std::lock_guard lock(bufferLock_);
    for (BufferInfo& buffer : buffers_) {
      if (buffer.bufferId != 0) alDeleteBuffers(1, &buffer.bufferId);
    }
    buffers_.clear();
  }
  alcMakeContextCurrent(previous != context_ ? previous : nullptr);
  alcDestroyContext(context_);
  platform::audio::closeAudioDevice(device_);
}

// [SECTION] Source groups

bool CDSoundEngine::defineSourceGroups(const std::vector<platform::Value>& counts) {
  std::vector<int> sizes;
  sizes.reserve(counts.size());
  for (const platform::Value& count : counts) sizes.push_back(count.isNumber() ? count.intValue() : 0);
  return defineSourceGroups(sizes.data(), static_cast<int>(sizes.size()));
}

bool CDSoundEngine::defineSourceGroups(const int* counts, int total) {
  if (total < 0 || (total > 0 && counts == nullptr)) {
    platform::log("tessera: CDSoundEngine: %d source groups refused", total);
    return false;
  }
  long sum = 0;
  for (int i = 0; i < total; ++i) {
    if (counts[i] < 0) {
      platform::log("tessera: CDSoundEngine: source group %d of size %d refused", i, counts[i]);
      return false;
    }
    sum += counts[i];
  }
  if (sum > sourceTotal_) {
    platform::log("tessera: CDSoundEngine: source groups of %ld sources refused, only %d sources exist", sum,
                  sourceTotal_);
    return false;
  }
  if (!groups_.empty()) {
    stopAllSounds();
    groups_.clear();
  }
  int first = 0;
  groups_.resize(static_cast<std::size_t>(total));
  for (int i = 0; i < total; ++i) {
    SourceGroup& group = groups_[static_cast<std::size_t>(i)];
    group.totalSources = counts[i];
    group.sourceStatuses.resize(static_cast<std::size_t>(counts[i]));
    for (int j = 0; j < counts[i]; ++j) group.sourceStatuses[static_cast<std::size_t>(j)] = (first + j) * 2;
    first += counts[i];
  }
  return true;
}

void CDSoundEngine::setSourceGroupNonInterruptible(int groupId, bool isNonInterruptible) {
  if (!isGroupValid(groupId)) return;
  groups_[static_cast<std::size_t>(groupId)].nonInterruptible = isNonInterruptible;
}

void CDSoundEngine::setSourceGroupEnabled(int groupId, bool enabled) {
  if (!isGroupValid(groupId)) return;
  groups_[static_cast<std::size_t>(groupId)].offMark = enabled;
  if (enabled) stopSourceGroup(groupId);
}

bool CDSoundEngine::sourceGroupEnabled(int groupId) const {
  return isGroupValid(groupId) && groups_[static_cast<std::size_t>(groupId)].offMark;
}

int CDSoundEngine::sourceIndexForSourceGroup(int groupId) {
  SourceGroup& group = groups_[static_cast<std::size_t>(groupId)];
  if (group.totalSources == 0) return -1;
  group.currentIndex = group.startIndex;
  int found = -1;
  do {
    const int status = group.sourceStatuses[static_cast<std::size_t>(group.currentIndex)];
    if ((status & kSourceLocked) == 0) {
      const int candidate = status >> 1;
      if (!group.nonInterruptible || !isSourcePlaying(candidate)) {
        found = candidate;
        group.startIndex = group.currentIndex + 1;
        break;
      }
    }
    if (++group.currentIndex >= group.totalSources) group.currentIndex = 0;
  } while (group.currentIndex != group.startIndex);
  if (group.startIndex >= group.totalSources) group.startIndex = 0;
  return found;
}

bool CDSoundEngine::isSourcePlaying(int sourceIndex) const {
  ALint state = 0;
  alGetSourcei(sources_[static_cast<std::size_t>(sourceIndex)].sourceId, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void CDSoundEngine::unlockSource(int sourceIndex) {
  for (SourceGroup& group : groups_) {
    for (int& status : group.sourceStatuses) {
      if ((status >> 1) == sourceIndex) status &= ~kSourceLocked;
    }
  }
}

void CDSoundEngine::forgetHandle(CDSoundSource* handle) {
  handles_.erase(std::remove(handles_.begin(), handles_.end(), handle), handles_.end());
}

// [SECTION] Buffers

int CDSoundEngine::bufferTotal() const {
  std::lock_guard lock(bufferLock_);
  return static_cast<int>(buffers_.size());
}

bool CDSoundEngine::validateBufferId(int soundId) const {
  std::lock_guard lock(bufferLock_);
  return soundId >= 0 && soundId < static_cast<int>(buffers_.size());
}

void CDSoundEngine::growBuffersTo(int soundId) {
  std::size_t total = buffers_.size();
  while (total <= static_cast<std::size_t>(soundId)) total += kBufferGrowth;
  buffers_.reserve(total);
  while (buffers_.size() < total) buffers_.push_back(makeBuffer());
}

bool CDSoundEngine::loadBuffer(int soundId, const std::string& filePath) {
  const std::string path = CDUtilities::fullPathFromRelativePath(filePath);
  std::optional<platform::audio::PCM> pcm = platform::audio::decodeForBuffer(path);
  if (!pcm) return loadBufferFromData(soundId, nullptr, 0, 0, 0);
  return loadBufferFromData(soundId, pcm->bytes.data(), pcm->format, static_cast<int>(pcm->bytes.size()),
                            pcm->sampleRate);
}

bool CDSoundEngine::loadBufferFromData(int soundId, const void* soundData, ALenum format, int size,
                                       int frequency) {
  if (!functioning_ || soundId < 0) return false;
  std::lock_guard lock(bufferLock_);
  if (soundId >= static_cast<int>(buffers_.size())) growBuffersTo(soundId);
  BufferInfo& slot = buffers_[static_cast<std::size_t>(soundId)];
  if (soundData == nullptr || size <= 0 || frequency <= 0) {
    if (soundData != nullptr) {
      platform::log("tessera: CDSoundEngine: sound %d refused: %d bytes at %d Hz", soundId, size, frequency);
    }
    slot.state = kBufferFailed;
    return false;
  }
  if (slot.state == kBufferLoaded && !unloadBufferLocked(soundId)) return false;
  BufferInfo& buffer = buffers_[static_cast<std::size_t>(soundId)];
  alGetError();
  alBufferData(buffer.bufferId, format, soundData, size, frequency);
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR || buffer.bufferId == 0) {
    lastErrorCode_ = error;
    buffer.state = kBufferFailed;
    platform::log("tessera: CDSoundEngine: sound %d: OpenAL refused %d bytes of format 0x%x at %d Hz (0x%x)",
                  soundId, size, static_cast<unsigned>(format), frequency, static_cast<unsigned>(error));
    return false;
  }
  buffer.format = format;
  buffer.sizeInBytes = size;
  buffer.frequencyInHertz = frequency;
  buffer.state = kBufferLoaded;
  return true;
}

void CDSoundEngine::loadBuffersAsynchronously(const std::vector<platform::Ref<CDBufferLoadRequest>>& loadRequests) {
  // Owned by the operation alone (not autoreleased), so the loader and the
  // engine it retains go as soon as the list is done.
  auto loader = platform::Ref<CDAsynchBufferLoader>::adopt(new CDAsynchBufferLoader());
  loader->init(loadRequests, this);
  // Reset here as well as when the loader starts, so a caller polling right
  // away never reads the 1 left by an earlier list as this one being done.
  asynchLoadProgress_ = 0;
  if (!asynchLoadQueue_) asynchLoadQueue_ = std::make_unique<platform::OperationQueue>();
  asynchLoadQueue_->addOperation([loader = std::move(loader)] { loader->main(); });
}

void CDSoundEngine::waitUntilAsynchLoadsFinish() {
  if (asynchLoadQueue_) asynchLoadQueue_->waitUntilAllOperationsAreFinished();
}

bool CDSoundEngine::unloadBuffer(int soundId) {
  if (!functioning_) return false;
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) return false;
  return unloadBufferLocked(soundId);
}

bool CDSoundEngine::unloadBufferLocked(int soundId) {
  BufferInfo& buffer = buffers_[static_cast<std::size_t>(soundId)];
  for (int i = 0; i < sourceTotal_; ++i) {
    SourceInfo& source = sources_[static_cast<std::size_t>(i)];
    if (buffer.bufferId != 0 && source.attachedBufferId == buffer.bufferId) {
      alSourceStop(source.sourceId);
      alSourcei(source.sourceId, AL_BUFFER, 0);
      source.attachedBufferId = 0;
    }
  }
  alGetError();
  if (buffer.bufferId != 0) alDeleteBuffers(1, &buffer.bufferId);
  ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    lastErrorCode_ = error;
    buffer.state = kBufferFailed;
    return false;
  }
  buffer = makeBuffer();
  return buffer.state == kBufferEmpty;
}

float CDSoundEngine::bufferDurationInSeconds(int soundId) const {
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) return -1;
  const BufferInfo& buffer = buffers_[static_cast<std::size_t>(soundId)];
  if (buffer.frequencyInHertz <= 0) return 0;
  float factor = 0;
  switch (buffer.format) {
    case AL_FORMAT_MONO8: factor = 1.0f; break;
    case AL_FORMAT_MONO16:
    case AL_FORMAT_STEREO8: factor = 0.5f; break;
    case AL_FORMAT_STEREO16: factor = 0.25f; break;
    default: return 0;
  }
  return static_cast<float>(buffer.sizeInBytes) / static_cast<float>(buffer.frequencyInHertz) * factor;
}

int CDSoundEngine::bufferSizeInBytes(int soundId) const {
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) return -1;
  return buffers_[static_cast<std::size_t>(soundId)].sizeInBytes;
}

int CDSoundEngine::bufferFrequencyInHertz(int soundId) const {
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) return -1;
  return buffers_[static_cast<std::size_t>(soundId)].frequencyInHertz;
}

// [SECTION] Playing

bool CDSoundEngine::attachBuffer(int sourceIndex, int soundId) {
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) return false;
  SourceInfo& source = sources_[static_cast<std::size_t>(sourceIndex)];
  const ALuint bufferId = buffers_[static_cast<std::size_t>(soundId)].bufferId;
  alGetError();
  alSourcei(source.sourceId, AL_BUFFER, static_cast<ALint>(bufferId));
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    lastErrorCode_ = error;
    return false;
  }
  source.attachedBufferId = bufferId;
  return true;
}

ALuint CDSoundEngine::playSound(int soundId, int sourceGroupId, float pitch, float pan, float gain, bool loop) {
  if (!enabled_ || !functioning_) return kMutedCode;
  if (!isGroupValid(sourceGroupId)) {
    platform::log("tessera: CDSoundEngine: no source group %d (%d groups)", sourceGroupId, sourceGroupTotal());
    return kMutedCode;
  }
  std::lock_guard lock(bufferLock_);
  if (soundId < 0 || soundId >= static_cast<int>(buffers_.size())) {
    platform::log("tessera: CDSoundEngine: no sound %d (%zu buffers)", soundId, buffers_.size());
    return kMutedCode;
  }
  const BufferInfo& buffer = buffers_[static_cast<std::size_t>(soundId)];
  if (buffer.state != kBufferLoaded || groups_[static_cast<std::size_t>(sourceGroupId)].offMark) return kMutedCode;

  const int sourceIndex = sourceIndexForSourceGroup(sourceGroupId);
  if (sourceIndex < 0) return kNoSourceCode;
  SourceInfo& source = sources_[static_cast<std::size_t>(sourceIndex)];
  alGetError();
  if (isSourcePlaying(sourceIndex)) alSourceStop(source.sourceId);
  alSourcei(source.sourceId, AL_BUFFER, static_cast<ALint>(buffer.bufferId));
  alSourcef(source.sourceId, AL_PITCH, pitch);
  alSourcei(source.sourceId, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcef(source.sourceId, AL_GAIN, gain);
  alSource3f(source.sourceId, AL_POSITION, pan, 0.0f, 0.0f);
  alSourcePlay(source.sourceId);
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    lastErrorCode_ = error;
    if (alcGetCurrentContext() == nullptr) {
      platform::NotificationCenter::defaultCenter().post(kBadContextNotification, this);
    }
    return kNoSourceCode;
  }
  source.attachedBufferId = buffer.bufferId;
  return source.sourceId;
}

void CDSoundEngine::stopSound(ALuint sourceId) {
  if (!functioning_) return;
  alSourceStop(sourceId);
}

void CDSoundEngine::stopSourceGroup(int sourceGroupId) {
  if (!functioning_ || !isGroupValid(sourceGroupId)) return;
  for (int status : groups_[static_cast<std::size_t>(sourceGroupId)].sourceStatuses) {
    alSourceStop(sources_[static_cast<std::size_t>(status >> 1)].sourceId);
  }
}

void CDSoundEngine::stopAllSounds() {
  if (!functioning_) return;
  for (int i = 0; i < sourceTotal_; ++i) alSourceStop(sources_[static_cast<std::size_t>(i)].sourceId);
}

CDSoundSource* CDSoundEngine::soundSourceForSound(int soundId, int sourceGroupId) {
  if (!functioning_ || !isGroupValid(sourceGroupId)) return nullptr;
  const int sourceIndex = sourceIndexForSourceGroup(sourceGroupId);
  if (sourceIndex < 0) return nullptr;
  auto* handle = new CDSoundSource();
  handle->engine_ = this;
  handle->sourceIndex_ = static_cast<unsigned>(sourceIndex);
  handle->sourceId_ = sources_[static_cast<std::size_t>(sourceIndex)].sourceId;
  handles_.push_back(handle);
  for (int& status : groups_[static_cast<std::size_t>(sourceGroupId)].sourceStatuses) {
    if ((status >> 1) == sourceIndex) status |= kSourceLocked;
  }
  if (!handle->setSoundIdChecked(soundId)) {
    handle->release();
    return nullptr;
  }
  handle->setPitch(1.0f);
  handle->setPan(0.0f);
  handle->setGain(1.0f);
  handle->setLooping(false);
  handle->autorelease();
  return handle;
}

// [SECTION] Gain, mute, state

float CDSoundEngine::masterGain() const {
  if (mute_) return preMuteGain_;
  if (!functioning_) return preMuteGain_;
  ALfloat gain = 0;
  alGetListenerf(AL_GAIN, &gain);
  return gain;
}

void CDSoundEngine::setMasterGain(float gain) {
  if (mute_ || !functioning_) {
    preMuteGain_ = gain;
    return;
  }
  alListenerf(AL_GAIN, gain);
}

void CDSoundEngine::setMute(bool mute) {
  if (!functioning_) {
    mute_ = mute;
    return;
  }
  if (mute) {
    if (!mute_) alGetListenerf(AL_GAIN, &preMuteGain_);
    alListenerf(AL_GAIN, 0.0f);
  } else if (mute_) {
    alListenerf(AL_GAIN, preMuteGain_);
  }
  mute_ = mute;
}

void CDSoundEngine::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) stopAllSounds();
}

}  // namespace audio
