#include "audio/SimpleAudioEngine.h"

#include "platform/Assert.h"

#include <atomic>
#include <mutex>

namespace audio {

namespace {

std::mutex creationLock;
std::atomic<SimpleAudioEngine*> sharedInstance{nullptr};

}  // namespace

SimpleAudioEngine* SimpleAudioEngine::sharedEngine() {
  std::lock_guard lock(creationLock);
  if (sharedInstance.load() == nullptr) {
    auto* engine = new SimpleAudioEngine();
    engine->init();
    sharedInstance = engine;
  }
  return sharedInstance.load();
}

void SimpleAudioEngine::end() {
  SimpleAudioEngine* engine = nullptr;
  {
    std::lock_guard lock(creationLock);
    engine = sharedInstance.exchange(nullptr);
  }
  if (engine) engine->release();
  CDAudioManager::end();
}

SimpleAudioEngine::SimpleAudioEngine() {
  CCAssert(sharedInstance.load() == nullptr, "Attempted to allocate a second instance of a singleton.");
}

bool SimpleAudioEngine::init() {
  manager_ = CDAudioManager::sharedManager();
  soundEngine_ = manager_->soundEngine();
  bufferManager_ = CDBufferManager::managerWithEngine(soundEngine_.get());
  mute_ = false;
  enabled_ = true;
  return true;
}

SimpleAudioEngine::~SimpleAudioEngine() {
  // The buffer manager does not retain the engine: let it go first.
  bufferManager_ = nullptr;
  soundEngine_ = nullptr;
  manager_ = nullptr;
  SimpleAudioEngine* self = this;
  sharedInstance.compare_exchange_strong(self, nullptr);
}

// [SECTION] Effects

void SimpleAudioEngine::preloadEffect(const std::string& filePath) { bufferManager_->bufferForFile(filePath, true); }

void SimpleAudioEngine::unloadEffect(const std::string& filePath) { bufferManager_->releaseBufferForFile(filePath); }

ALuint SimpleAudioEngine::playEffect(const std::string& filePath) { return playEffect(filePath, 1, 0, 1); }

ALuint SimpleAudioEngine::playEffect(const std::string& filePath, float pitch, float pan, float gain) {
  const int soundId = bufferManager_->bufferForFile(filePath, true);
  if (soundId == -1) return CDSoundEngine::kMutedCode;
  return soundEngine_->playSound(soundId, 0, pitch, pan, gain, false);
}

void SimpleAudioEngine::stopEffect(ALuint sourceId) { soundEngine_->stopSound(sourceId); }

CDSoundSource* SimpleAudioEngine::soundSourceForFile(const std::string& filePath) {
  const int soundId = bufferManager_->bufferForFile(filePath, true);
  if (soundId == -1) return nullptr;
  return soundEngine_->soundSourceForSound(soundId, 0);
}

float SimpleAudioEngine::effectsVolume() const { return soundEngine_->masterGain(); }

void SimpleAudioEngine::setEffectsVolume(float volume) { soundEngine_->setMasterGain(volume); }

// [SECTION] Background music

void SimpleAudioEngine::playBackgroundMusic(const std::string& filePath) { playBackgroundMusic(filePath, true); }

void SimpleAudioEngine::playBackgroundMusic(const std::string& filePath, bool loop) {
  manager_->playBackgroundMusic(filePath, loop);
}

void SimpleAudioEngine::preloadBackgroundMusic(const std::string& filePath) {
  manager_->preloadBackgroundMusic(filePath);
}

void SimpleAudioEngine::stopBackgroundMusic() { manager_->stopBackgroundMusic(); }

void SimpleAudioEngine::pauseBackgroundMusic() { manager_->pauseBackgroundMusic(); }

void SimpleAudioEngine::resumeBackgroundMusic() { manager_->resumeBackgroundMusic(); }

void SimpleAudioEngine::rewindBackgroundMusic() { manager_->rewindBackgroundMusic(); }

bool SimpleAudioEngine::isBackgroundMusicPlaying() const { return manager_->isBackgroundMusicPlaying(); }

bool SimpleAudioEngine::willPlayBackgroundMusic() const { return manager_->willPlayBackgroundMusic(); }

float SimpleAudioEngine::backgroundMusicVolume() const { return manager_->backgroundMusic()->volume(); }

void SimpleAudioEngine::setBackgroundMusicVolume(float volume) { manager_->backgroundMusic()->setVolume(volume); }

// [SECTION] Switches

void SimpleAudioEngine::setMute(bool mute) {
  if (mute == mute_) return;
  mute_ = mute;
  manager_->setMute(mute);
}

void SimpleAudioEngine::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  manager_->setEnabled(enabled);
}

}  // namespace audio
