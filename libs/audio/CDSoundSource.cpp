#include "audio/CDSoundSource.h"

#include "audio/CDSoundEngine.h"

namespace audio {

CDSoundSource::~CDSoundSource() {
  if (engine_ == nullptr) return;
  engine_->unlockSource(static_cast<int>(sourceIndex_));
  engine_->forgetHandle(this);
}

bool CDSoundSource::checkError() {
  const ALenum error = alGetError();
  if (error != AL_NO_ERROR) lastError_ = error;
  return error == AL_NO_ERROR;
}

bool CDSoundSource::play() {
  if (engine_ == nullptr || !enabled_) return false;
  alGetError();
  alSourcePlay(sourceId_);
  return checkError();
}

void CDSoundSource::stop() {
  if (engine_) alSourceStop(sourceId_);
}

void CDSoundSource::pause() {
  if (engine_) alSourcePause(sourceId_);
}

bool CDSoundSource::rewind() {
  if (engine_ == nullptr) return false;
  alGetError();
  alSourceRewind(sourceId_);
  return checkError();
}

float CDSoundSource::pitch() const {
  ALfloat value = 0;
  if (engine_) alGetSourcef(sourceId_, AL_PITCH, &value);
  return value;
}

void CDSoundSource::setPitch(float pitch) {
  if (engine_) alSourcef(sourceId_, AL_PITCH, pitch);
}

float CDSoundSource::pan() const {
  ALfloat x = 0, y = 0, z = 0;
  if (engine_) alGetSource3f(sourceId_, AL_POSITION, &x, &y, &z);
  return x;
}

void CDSoundSource::setPan(float pan) {
  if (engine_) alSource3f(sourceId_, AL_POSITION, pan, 0.0f, 0.0f);
}

float CDSoundSource::gain() const {
  if (mute_ || engine_ == nullptr) return preMuteGain_;
  ALfloat value = 0;
  alGetSourcef(sourceId_, AL_GAIN, &value);
  return value;
}

void CDSoundSource::setGain(float gain) {
  if (mute_ || engine_ == nullptr) {
    preMuteGain_ = gain;
    return;
  }
  alSourcef(sourceId_, AL_GAIN, gain);
}

bool CDSoundSource::looping() const {
  ALint value = AL_FALSE;
  if (engine_) alGetSourcei(sourceId_, AL_LOOPING, &value);
  return value == AL_TRUE;
}

void CDSoundSource::setLooping(bool looping) {
  if (engine_) alSourcei(sourceId_, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
}

bool CDSoundSource::isPlaying() const {
  ALint state = 0;
  if (engine_) alGetSourcei(sourceId_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

float CDSoundSource::durationInSeconds() const {
  return engine_ ? engine_->bufferDurationInSeconds(soundId_) : 0.0f;
}

void CDSoundSource::setSoundId(int soundId) { setSoundIdChecked(soundId); }

bool CDSoundSource::setSoundIdChecked(int soundId) {
  if (engine_ == nullptr) return false;
  alSourceStop(sourceId_);
  if (!engine_->attachBuffer(static_cast<int>(sourceIndex_), soundId)) {
    lastError_ = engine_->lastErrorCode() != AL_NO_ERROR ? engine_->lastErrorCode() : AL_INVALID_VALUE;
    return false;
  }
  soundId_ = soundId;
  return true;
}

void CDSoundSource::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) stop();
}

void CDSoundSource::setMute(bool mute) {
  if (mute == mute_) return;
  if (mute) {
    preMuteGain_ = gain();
    if (engine_) alSourcef(sourceId_, AL_GAIN, 0.0f);
  } else if (engine_) {
    alSourcef(sourceId_, AL_GAIN, preMuteGain_);
  }
  mute_ = mute;
}

}  // namespace audio
