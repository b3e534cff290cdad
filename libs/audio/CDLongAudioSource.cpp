#include "audio/CDLongAudioSource.h"

#include "audio/CDAudioManager.h"
#include "audio/CDUtilities.h"
#include "platform/Log.h"

namespace audio {

using platform::audio::AudioPlayer;

CDLongAudioSource* CDLongAudioSource::longAudioSource() {
  return platform::createAutoreleased<CDLongAudioSource>([](CDLongAudioSource& source) { return source.init(); });
}

bool CDLongAudioSource::init() {
  state_ = kStateUninitialised;
  volume_ = 1;
  enabled_ = true;
  mute_ = false;
  numberOfLoops_ = 0;
  return true;
}

CDLongAudioSource::~CDLongAudioSource() {
  if (audioSourcePlayer_) {
    audioSourcePlayer_->setDelegate(nullptr);
    audioSourcePlayer_->stop();
  }
}

bool CDLongAudioSource::load(const std::string& filePath) {
  if (state_ == kStateLoaded && audioSourcePlayer_ && filePath == audioSourceFilePath_) {
    // The same file again: start it over without opening it again.
    audioSourcePlayer_->pause();
    audioSourcePlayer_->setCurrentTime(0);
  } else {
    if (audioSourcePlayer_) {
      audioSourcePlayer_->setDelegate(nullptr);
      audioSourcePlayer_->stop();
    }
    audioSourcePlayer_ = nullptr;
    audioSourceFilePath_ = filePath;
    const std::string path = CDUtilities::fullPathFromRelativePath(filePath);
    audioSourcePlayer_ = AudioPlayer::playerWithContentsOfFile(path);
    if (audioSourcePlayer_) {
      audioSourcePlayer_->prepareToPlay();
      audioSourcePlayer_->setDelegate(this);
      if (delegate_) delegate_->cdAudioSourceFileDidChange(this);
    } else {
      platform::log("tessera: CDLongAudioSource: \"%s\" cannot be played", filePath.c_str());
    }
  }
  if (audioSourcePlayer_) {
    audioSourcePlayer_->setVolume(mute_ ? 0.0f : volume_);
    audioSourcePlayer_->setNumberOfLoops(numberOfLoops_);
  }
  state_ = kStateLoaded;
  return audioSourcePlayer_ != nullptr;
}

void CDLongAudioSource::play() {
  if (!enabled_) return;
  systemPaused_ = false;
  if (audioSourcePlayer_) audioSourcePlayer_->play();
}

void CDLongAudioSource::resume() {
  if (audioSourcePlayer_) audioSourcePlayer_->play();
}

void CDLongAudioSource::pause() {
  if (audioSourcePlayer_) audioSourcePlayer_->pause();
}

void CDLongAudioSource::stop() {
  if (audioSourcePlayer_) audioSourcePlayer_->stop();
}

void CDLongAudioSource::rewind() {
  if (audioSourcePlayer_) audioSourcePlayer_->setCurrentTime(0);
}

bool CDLongAudioSource::isPlaying() const {
  return state_ == kStateLoaded && audioSourcePlayer_ && audioSourcePlayer_->isPlaying();
}

void CDLongAudioSource::setVolume(float volume) {
  volume_ = volume;
  if (state_ == kStateLoaded && audioSourcePlayer_ && !mute_) audioSourcePlayer_->setVolume(volume);
}

void CDLongAudioSource::setMute(bool mute) {
  mute_ = mute;
  if (audioSourcePlayer_) audioSourcePlayer_->setVolume(mute ? 0.0f : volume_);
}

void CDLongAudioSource::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) {
    pause();
    rewind();
  }
}

void CDLongAudioSource::setNumberOfLoops(int loops) {
  numberOfLoops_ = loops;
  if (audioSourcePlayer_) audioSourcePlayer_->setNumberOfLoops(loops);
}

void CDLongAudioSource::audioPlayerDidFinishPlaying(AudioPlayer* player, bool successfully) {
  if (player != audioSourcePlayer_.get()) return;
  if (delegate_) delegate_->cdAudioSourceDidFinishPlaying(this);
}

void CDLongAudioSource::audioPlayerBeginInterruption(AudioPlayer* player) {}

void CDLongAudioSource::audioPlayerEndInterruption(AudioPlayer* player) {
  if (player != audioSourcePlayer_.get()) return;
  if (backgroundMusic_) {
    CDAudioManager* manager = CDAudioManager::existingManager();
    if (manager && !manager->willPlayBackgroundMusic()) return;
  }
  resume();
}

}  // namespace audio
