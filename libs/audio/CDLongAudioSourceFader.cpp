#include "audio/CDLongAudioSourceFader.h"

#include "audio/CDLongAudioSource.h"

namespace audio {

CDLongAudioSourceFader* CDLongAudioSourceFader::modifierWithTarget(CDLongAudioSource* target,
                                                                   std::int32_t interpolationType, float startVal,
                                                                   float endVal) {
  return platform::createAutoreleased<CDLongAudioSourceFader>(
      [&](CDLongAudioSourceFader& fader) { return fader.init(target, interpolationType, startVal, endVal); });
}

void CDLongAudioSourceFader::_setTargetProperty(float value) {
  static_cast<CDLongAudioSource*>(target())->setVolume(value);
}

float CDLongAudioSourceFader::_getTargetProperty() const {
  return static_cast<CDLongAudioSource*>(target())->volume();
}

void CDLongAudioSourceFader::_stopTarget() { static_cast<CDLongAudioSource*>(target())->pause(); }

const platform::ClassInfo& CDLongAudioSourceFader::_allowableType() const { return CDLongAudioSource::classInfo_; }

}  // namespace audio
