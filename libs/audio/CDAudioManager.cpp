#include "audio/CDAudioManager.h"

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Log.h"
#include "platform/Notifications.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"

#include <AL/alc.h>

#include <atomic>
#include <mutex>
#include <thread>

// [SECTION] The singleton
// [SECTION] Creation and teardown
// [SECTION] Mode and session
// [SECTION] Music and channels
// [SECTION] Switches and device state
// [SECTION] Application events
// [SECTION] Interruptions

namespace audio {

using platform::NotificationCenter;
using platform::audio::AudioSession;

namespace {

// [SECTION] The singleton

std::mutex creationLock;  // serialises creation and teardown of the singleton
std::atomic<CDAudioManager*> sharedInstance{nullptr};
std::atomic<int> managerState{CDAudioManager::kStateNotInitialised};
int configuredMode = CDAudioManager::kModeEffectsAndMusicUnlessOtherAudio;
// The background creator. Kept on the heap and never destroyed unjoined, so
// a process that ends without end() does not trip std::thread's destructor.
std::thread* initThread = nullptr;

void joinInitThread() {
  std::thread* thread = nullptr;
  {
    std::lock_guard lock(creationLock);
    if (initThread == nullptr || initThread->get_id() == std::this_thread::get_id()) return;
    thread = std::exchange(initThread, nullptr);
  }
  if (thread->joinable()) thread->join();
  delete thread;
}

}  // namespace

void CDAudioManager::configure(int mode) {
  std::lock_guard lock(creationLock);
  configuredMode = mode;
}

void CDAudioManager::initAsynchronously(int mode) {
  std::lock_guard lock(creationLock);
  if (managerState.load() != kStateNotInitialised || initThread != nullptr) return;
  managerState = kStateInitialising;
  configuredMode = mode;
#ifdef __EMSCRIPTEN__
  // The web build has no threads: the manager is made at the main loop's
  // next pass instead.
  platform::performOnMainThread([] { sharedManager(); }, false);
#else
  initThread = new std::thread([] {
    platform::AutoreleasePool pool;
    sharedManager();
  });
#endif
}

CDAudioManager* CDAudioManager::sharedManager() {
  std::lock_guard lock(creationLock);
  if (sharedInstance.load() == nullptr) {
    auto* manager = new CDAudioManager();
    manager->init(configuredMode);
    sharedInstance = manager;
  }
  managerState = kStateInitialised;
  return sharedInstance.load();
}

CDAudioManager* CDAudioManager::existingManager() { return sharedInstance.load(); }

int CDAudioManager::sharedManagerState() { return managerState.load(); }

void CDAudioManager::end() {
  joinInitThread();
  CDAudioManager* manager = nullptr;
  {
    std::lock_guard lock(creationLock);
    manager = sharedInstance.exchange(nullptr);
    managerState = kStateNotInitialised;
  }
  if (manager) manager->release();
}

// [SECTION] Creation and teardown

CDAudioManager::CDAudioManager() {
  CCAssert(sharedInstance.load() == nullptr, "Attempted to allocate a second instance of a singleton.");
}

bool CDAudioManager::init(int mode) {
  AudioSession::sharedInstance().setDelegate(this);
  mode_ = mode;
  backgroundMusicCompletionSelector_ = {};
  backgroundMusicCompletionListener_ = nullptr;
  isObservingAppEvents_ = false;
  mute_ = false;
  resigned_ = false;
  interrupted_ = false;
  enabled_ = true;
  audioSessionActive_ = false;
  audioWasPlayingAtStartup_ = isOtherAudioPlaying();
  setMode(mode);

  soundEngine_ = CDSoundEngine::soundEngine();
  for (int channel = 0; channel < kChannelTotal; ++channel) {
    CDLongAudioSource* source = CDLongAudioSource::longAudioSource();
    source->setBackgroundMusic(channel == kChannelBackgroundMusic);
    audioSourceChannels_[static_cast<std::size_t>(channel)] = source;
  }
  backgroundMusic_ = audioSourceChannels_[kChannelBackgroundMusic].get();
  backgroundMusic_->setDelegate(this);

  // The engine may post from a loading thread; the recovery runs on the main
  // thread, on whatever manager exists by then.
  NotificationCenter::defaultCenter().addObserver(this, CDSoundEngine::kBadContextNotification,
                                                  [](const platform::Notification&) {
                                                    auto recover = [] {
                                                      if (CDAudioManager* manager = existingManager()) {
                                                        manager->handleBadAlContext();
                                                      }
                                                    };
                                                    if (platform::isMainThread()) {
                                                      recover();
                                                    } else {
                                                      platform::performOnMainThread(recover, false);
                                                    }
                                                  });
  return true;
}

CDAudioManager::~CDAudioManager() {
  stopBackgroundMusic();
  soundEngine_ = nullptr;
  NotificationCenter::defaultCenter().removeObserver(this);
  audioSessionSetActive(false, 1);
  AudioSession& session = AudioSession::sharedInstance();
  if (session.delegate() == this) session.setDelegate(nullptr);
  for (auto& channel : audioSourceChannels_) {
    if (channel && channel->delegate() == this) channel->setDelegate(nullptr);
    channel = nullptr;
  }
  backgroundMusic_ = nullptr;
  CDAudioManager* self = this;
  sharedInstance.compare_exchange_strong(self, nullptr);
}

// [SECTION] Mode and session

void CDAudioManager::setMode(int mode) {
  using Category = AudioSession::Category;
  mode_ = mode;
  switch (mode) {
    case kModeEffectsOnly:
      audioSessionCategory_ = Category::Ambient;
      willPlayBackgroundMusic_ = false;
      break;
    case kModeEffectsAndMusic:
      audioSessionCategory_ = Category::SoloAmbient;
      willPlayBackgroundMusic_ = true;
      break;
    case kModeMediaPlayback:
      audioSessionCategory_ = Category::Playback;
      willPlayBackgroundMusic_ = true;
      break;
    case kModePlayAndRecord:
      audioSessionCategory_ = Category::PlayAndRecord;
      willPlayBackgroundMusic_ = true;
      break;
    default:
      if (mode != kModeEffectsAndMusicUnlessOtherAudio) {
        platform::log("tessera: CDAudioManager: unknown mode %d, playing music unless other audio plays", mode);
        mode_ = kModeEffectsAndMusicUnlessOtherAudio;
      }
      if (isOtherAudioPlaying()) {
        audioSessionCategory_ = Category::Ambient;
        willPlayBackgroundMusic_ = false;
      } else {
        audioSessionCategory_ = Category::SoloAmbient;
        willPlayBackgroundMusic_ = true;
      }
      break;
  }
  audioSessionSetCategory(audioSessionCategory_);
  audioSessionSetActive(true, 1);
}

void CDAudioManager::audioSessionSetCategory(AudioSession::Category category) {
  AudioSession::sharedInstance().setCategory(category);
}

bool CDAudioManager::audioSessionSetActive(bool active, int attempts) {
  AudioSession& session = AudioSession::sharedInstance();
  if (!active) {
    session.setActive(false);
    audioSessionActive_ = false;
    return true;
  }
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) platform::sleepFor(kSessionRetryDelay);
    if (session.setActive(true)) {
      audioSessionActive_ = true;
      return true;
    }
  }
  platform::log("tessera: CDAudioManager: the audio session could not be activated (%d attempts)", attempts);
  audioSessionActive_ = false;
  return false;
}

void CDAudioManager::setResignBehavior(int resignBehavior, bool autoHandle) {
  if (autoHandle && !isObservingAppEvents_) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, platform::kApplicationWillResignActiveNotification,
                       [this](const platform::Notification& note) { applicationWillResignActive(note.sender); });
    center.addObserver(this, platform::kApplicationDidBecomeActiveNotification,
                       [this](const platform::Notification& note) { applicationDidBecomeActive(note.sender); });
    center.addObserver(this, platform::kApplicationWillTerminateNotification,
                       [this](const platform::Notification& note) { applicationWillTerminate(note.sender); });
    isObservingAppEvents_ = true;
  }
  resignBehavior_ = resignBehavior;
}

// [SECTION] Music and channels

void CDAudioManager::playBackgroundMusic(const std::string& filePath, bool loop) {
  if (!backgroundMusic_) return;
  backgroundMusic_->load(filePath);
  if (willPlayBackgroundMusic_ && !mute_) {
    backgroundMusic_->setNumberOfLoops(loop ? -1 : 0);
    backgroundMusic_->play();
  }
}

void CDAudioManager::preloadBackgroundMusic(const std::string& filePath) {
  if (backgroundMusic_) backgroundMusic_->load(filePath);
}

void CDAudioManager::stopBackgroundMusic() {
  if (backgroundMusic_) backgroundMusic_->stop();
}

void CDAudioManager::pauseBackgroundMusic() {
  if (backgroundMusic_) backgroundMusic_->pause();
}

void CDAudioManager::resumeBackgroundMusic() {
  if (backgroundMusic_ && willPlayBackgroundMusic_ && !mute_) backgroundMusic_->resume();
}

void CDAudioManager::rewindBackgroundMusic() {
  if (backgroundMusic_) backgroundMusic_->rewind();
}

bool CDAudioManager::isBackgroundMusicPlaying() const { return backgroundMusic_ && backgroundMusic_->isPlaying(); }

void CDAudioManager::setBackgroundMusicCompletionListener(platform::Object* listener, platform::Selector selector) {
  backgroundMusicCompletionListener_ = listener;
  backgroundMusicCompletionSelector_ = selector;
}

void CDAudioManager::cdAudioSourceDidFinishPlaying(CDLongAudioSource* audioSource) {
  if (audioSource != backgroundMusic_) return;
  if (backgroundMusicCompletionListener_ && backgroundMusicCompletionSelector_.hasMethod()) {
    backgroundMusicCompletionSelector_(backgroundMusicCompletionListener_);
  }
}

CDLongAudioSource* CDAudioManager::audioSourceForChannel(int channel) const {
  if (channel < 0 || channel >= kChannelTotal) {
    platform::log("tessera: CDAudioManager: no audio source channel %d (0 to %d)", channel, kChannelTotal - 1);
    return nullptr;
  }
  return audioSourceChannels_[static_cast<std::size_t>(channel)].get();
}

CDLongAudioSource* CDAudioManager::audioSourceLoad(const std::string& filePath, int channel) {
  CDLongAudioSource* source = audioSourceForChannel(channel);
  if (source) source->load(filePath);
  return source;
}

// [SECTION] Switches and device state

void CDAudioManager::setMute(bool mute) {
  mute_ = mute;
  if (soundEngine_) soundEngine_->setMute(mute);
  for (auto& channel : audioSourceChannels_) {
    if (channel) channel->setMute(mute);
  }
}

void CDAudioManager::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (soundEngine_) soundEngine_->setEnabled(enabled);
  for (auto& channel : audioSourceChannels_) {
    if (channel) channel->setEnabled(enabled);
  }
}

bool CDAudioManager::isDeviceMuted() const { return AudioSession::sharedInstance().currentRoute().empty(); }

bool CDAudioManager::isOtherAudioPlaying() const { return AudioSession::sharedInstance().otherAudioIsPlaying(); }

// [SECTION] Application events

void CDAudioManager::applicationWillResignActive(platform::Object* sender) {
  resigned_ = true;
  audioSessionSetCategory(AudioSession::Category::Ambient);
  switch (resignBehavior_) {
    case kResignStop:
      for (auto& channel : audioSourceChannels_) channel->stop();
      break;
    case kResignPauseAndResume:
      for (auto& channel : audioSourceChannels_) {
        if (channel->isPlaying()) {
          channel->setSystemPaused(true);
          channel->setSystemPauseLocation(channel->audioSourcePlayer()->currentTime());
        } else {
          channel->setSystemPaused(false);
        }
        channel->stop();
      }
      break;
    default:
      break;
  }
}

void CDAudioManager::applicationDidBecomeActive(platform::Object* sender) {
  if (!resigned_) return;
  resigned_ = false;
  setMode(mode_);
  if (resignBehavior_ == kResignPauseAndResume && willPlayBackgroundMusic_) {
    for (auto& channel : audioSourceChannels_) {
      if (!channel->systemPaused()) continue;
      channel->resume();
      channel->setSystemPaused(false);
    }
  }
}

void CDAudioManager::applicationWillTerminate(platform::Object* sender) { stopBackgroundMusic(); }

// [SECTION] Interruptions

void CDAudioManager::beginInterruption() {
  if (interrupted_) return;
  interrupted_ = true;
  audioSessionSetActive(false, 1);
  alcMakeContextCurrent(nullptr);
}

void CDAudioManager::endInterruption() {
  interrupted_ = false;
  recoverFromInterruption();
}

void CDAudioManager::endInterruptionWithFlags(unsigned flags) {
  if (flags & AudioSession::kInterruptionShouldResume) endInterruption();
}

void CDAudioManager::handleBadAlContext() {
  if (!interrupted_ || alcGetCurrentContext() != nullptr) return;
  // Only a session that came back ends the interruption; otherwise the next
  // failed play tries again.
  if (recoverFromInterruption()) interrupted_ = false;
}

bool CDAudioManager::recoverFromInterruption() {
  const bool active = audioSessionSetActive(true, kSessionActivationAttempts);
  if (alcGetCurrentContext() == nullptr && soundEngine_ && soundEngine_->context()) {
    alcMakeContextCurrent(soundEngine_->context());
  }
  return active;
}

}  // namespace audio
