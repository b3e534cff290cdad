#include "platform/audio/AudioSession.h"

#include "platform/Log.h"
#include "platform/audio/AudioPlayer.h"

namespace platform::audio {

AudioSession& AudioSession::sharedInstance() {
  static AudioSession* session = new AudioSession();  // outlives static destructors
  return *session;
}

const char* categoryName(AudioSession::Category category) {
  switch (category) {
    case AudioSession::Category::Ambient: return "ambient";
    case AudioSession::Category::SoloAmbient: return "solo ambient";
    case AudioSession::Category::Playback: return "playback";
    case AudioSession::Category::PlayAndRecord: return "play and record";
  }
  return "unknown";
}

bool AudioSession::setCategory(Category category) {
  category_ = category;
  return true;
}

bool AudioSession::setActive(bool active) {
  if (!active) {
    active_ = false;
    return true;
  }
  ++activationAttempts_;
  if (interrupted_) {
    log("tessera: audio session cannot be activated during an interruption");
    return false;
  }
  if (failuresLeft_ > 0) {
    --failuresLeft_;
    log("tessera: audio session activation failed (%d more failures to come)", failuresLeft_);
    return false;
  }
  active_ = true;
  return true;
}

void AudioSession::beginInterruption() {
  if (interrupted_) return;
  interrupted_ = true;
  active_ = false;
  AudioPlayer::beginInterruption();
  if (delegate_) delegate_->beginInterruption();
}

void AudioSession::endInterruption(unsigned flags) {
  if (!interrupted_) return;
  interrupted_ = false;
  if (delegate_) delegate_->endInterruptionWithFlags(flags);
  AudioPlayer::endInterruption();
}

void AudioSession::reset() {
  category_ = Category::SoloAmbient;
  active_ = false;
  otherAudioPlaying_ = false;
  route_ = kDefaultRoute;
  delegate_ = nullptr;
  interrupted_ = false;
  failuresLeft_ = 0;
  activationAttempts_ = 0;
}

}  // namespace platform::audio
