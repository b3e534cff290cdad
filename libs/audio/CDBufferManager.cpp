#include "audio/CDBufferManager.h"

#include "audio/CDSoundEngine.h"

namespace audio {

CDBufferManager* CDBufferManager::managerWithEngine(CDSoundEngine* engine) {
  auto* manager = new CDBufferManager();
  if (!manager->initWithEngine(engine)) {
    manager->release();
    return nullptr;
  }
  manager->autorelease();
  return manager;
}

bool CDBufferManager::initWithEngine(CDSoundEngine* engine) {
  soundEngine_ = engine;
  loadedBuffers_.clear();
  loadedBuffers_.reserve(64);
  freedBuffers_.clear();
  nextBufferId_ = 0;
  return engine != nullptr;
}

int CDBufferManager::bufferForFile(const std::string& filePath, bool create) {
  if (auto known = loadedBuffers_.find(filePath); known != loadedBuffers_.end()) return known->second;
  if (!create) return -1;
  int soundId = 0;
  if (!freedBuffers_.empty()) {
    soundId = freedBuffers_.back();
    freedBuffers_.pop_back();
  } else {
    soundId = nextBufferId_++;
  }
  if (!soundEngine_->loadBuffer(soundId, filePath)) {
    freedBuffers_.push_back(soundId);
    return -1;
  }
  loadedBuffers_.emplace(filePath, soundId);
  return soundId;
}

void CDBufferManager::releaseBufferForFile(const std::string& filePath) {
  auto known = loadedBuffers_.find(filePath);
  if (known == loadedBuffers_.end()) return;
  const int soundId = known->second;
  soundEngine_->unloadBuffer(soundId);
  loadedBuffers_.erase(known);
  freedBuffers_.push_back(soundId);
}

}  // namespace audio
