#include "audio/CDPropertyModifier.h"

#include "audio/CDSoundEngine.h"
#include "audio/CDSoundSource.h"
#include "platform/Log.h"

namespace audio {

namespace {

template <class Modifier, class Target>
Modifier* createModifier(Target* target, std::int32_t interpolationType, float startVal, float endVal) {
  return platform::createAutoreleased<Modifier>(
      [&](Modifier& modifier) { return modifier.init(target, interpolationType, startVal, endVal); });
}

}  // namespace

// [SECTION] CDPropertyModifier

bool CDPropertyModifier::init(platform::Object* target, std::int32_t interpolationType, float startVal,
                              float endVal) {
  if (target == nullptr) {
    platform::log("tessera: %s: no target to modify", className());
    return false;
  }
  if (!target->isKindOf(_allowableType())) {
    platform::log("tessera: %s: a %s cannot be modified, the target must be a %s", className(), target->className(),
                  _allowableType().name);
    return false;
  }
  target_ = target;
  startValue_ = startVal;
  endValue_ = endVal;
  interpolator_ = CDFloatInterpolator::interpolator(interpolationType, startVal, endVal);
  stopTargetWhenComplete_ = false;
  return true;
}

void CDPropertyModifier::modify(float t) {
  if (!target_) return;  // never initialised: nothing to drive
  if (t < 1.0f) {
    _setTargetProperty(interpolator_->interpolate(t));
    return;
  }
  _setTargetProperty(endValue_);
  if (stopTargetWhenComplete_) _stopTarget();
}

void CDPropertyModifier::setStartValue(float startValue) {
  startValue_ = startValue;
  if (interpolator_) interpolator_->setStart(startValue);
}

void CDPropertyModifier::setEndValue(float endValue) {
  endValue_ = endValue;
  if (interpolator_) interpolator_->setEnd(endValue);
}

std::int32_t CDPropertyModifier::interpolationType() const {
  return interpolator_ ? interpolator_->interpolationType() : CDFloatInterpolator::kLinear;
}

void CDPropertyModifier::setInterpolationType(std::int32_t type) {
  if (interpolator_) interpolator_->setInterpolationType(type);
}

// [SECTION] Sound source modifiers

CDSoundSourceFader* CDSoundSourceFader::modifierWithTarget(CDSoundSource* target, std::int32_t interpolationType,
                                                           float startVal, float endVal) {
  return createModifier<CDSoundSourceFader>(target, interpolationType, startVal, endVal);
}

void CDSoundSourceFader::_setTargetProperty(float value) { static_cast<CDSoundSource*>(target())->setGain(value); }

float CDSoundSourceFader::_getTargetProperty() const { return static_cast<CDSoundSource*>(target())->gain(); }

void CDSoundSourceFader::_stopTarget() { static_cast<CDSoundSource*>(target())->stop(); }

const platform::ClassInfo& CDSoundSourceFader::_allowableType() const { return CDSoundSource::classInfo_; }

CDSoundSourcePanner* CDSoundSourcePanner::modifierWithTarget(CDSoundSource* target, std::int32_t interpolationType,
                                                             float startVal, float endVal) {
  return createModifier<CDSoundSourcePanner>(target, interpolationType, startVal, endVal);
}

void CDSoundSourcePanner::_setTargetProperty(float value) { static_cast<CDSoundSource*>(target())->setPan(value); }

float CDSoundSourcePanner::_getTargetProperty() const { return static_cast<CDSoundSource*>(target())->pan(); }

void CDSoundSourcePanner::_stopTarget() { static_cast<CDSoundSource*>(target())->stop(); }

const platform::ClassInfo& CDSoundSourcePanner::_allowableType() const { return CDSoundSource::classInfo_; }

CDSoundSourcePitchBender* CDSoundSourcePitchBender::modifierWithTarget(CDSoundSource* target,
                                                                       std::int32_t interpolationType,
                                                                       float startVal, float endVal) {
  return createModifier<CDSoundSourcePitchBender>(target, interpolationType, startVal, endVal);
}

void CDSoundSourcePitchBender::_setTargetProperty(float value) {
  static_cast<CDSoundSource*>(target())->setPitch(value);
}

float CDSoundSourcePitchBender::_getTargetProperty() const { return static_cast<CDSoundSource*>(target())->pitch(); }

void CDSoundSourcePitchBender::_stopTarget() { static_cast<CDSoundSource*>(target())->stop(); }

const platform::ClassInfo& CDSoundSourcePitchBender::_allowableType() const { return CDSoundSource::classInfo_; }

// [SECTION] Sound engine modifier

CDSoundEngineFader* CDSoundEngineFader::modifierWithTarget(CDSoundEngine* target, std::int32_t interpolationType,
                                                           float startVal, float endVal) {
  return createModifier<CDSoundEngineFader>(target, interpolationType, startVal, endVal);
}

void CDSoundEngineFader::_setTargetProperty(float value) {
  static_cast<CDSoundEngine*>(target())->setMasterGain(value);
}

float CDSoundEngineFader::_getTargetProperty() const {
  return static_cast<CDSoundEngine*>(target())->masterGain();
}

void CDSoundEngineFader::_stopTarget() { static_cast<CDSoundEngine*>(target())->stopAllSounds(); }

const platform::ClassInfo& CDSoundEngineFader::_allowableType() const { return CDSoundEngine::classInfo_; }

}  // namespace audio
