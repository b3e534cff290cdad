#pragma once
// CDPropertyModifier: drives one float property of an audio object from a
// start value to an end value as the caller advances a fraction t from 0 to
// 1 (a fade, a pan sweep, a pitch bend). Nothing runs by itself: call
// modify() from a per-frame or scheduled callback with the fraction of the
// fade that has passed.

#include "audio/CDFloatInterpolator.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>

namespace audio {

class CDSoundEngine;
class CDSoundSource;

/// Drives one float property of an audio object from a start value to an end
/// value as the caller advances a fraction t from 0 to 1 (a fade, a pan sweep, a
/// pitch bend). Nothing runs by itself: call modify() from a per-frame or
/// scheduled callback with the fraction of the fade that has passed.
///
/// A concrete modifier says which property it drives through four hooks:
/// _setTargetProperty, _getTargetProperty, _stopTarget and _allowableType
/// (the class a target must be). The ones here:
///
///   CDSoundSourceFader        CDSoundSource  gain        stop at the end: stop
///   CDSoundSourcePanner       CDSoundSource  pan         stop
///   CDSoundSourcePitchBender  CDSoundSource  pitch       stop
///   CDSoundEngineFader        CDSoundEngine  masterGain  stopAllSounds
///
/// CDLongAudioSourceFader (volume of a CDLongAudioSource, stop action pause)
/// has its own file.
///
/// The target is retained for the modifier's life. init refuses (logs, false)
/// a missing target or one that is not of the modifier's allowable class, so
/// the hooks never act on an object of the wrong kind.
///
/// Cost: modify() is one interpolation and one property write on the target;
/// it allocates nothing.
class CDPropertyModifier : public platform::Object {
  PLATFORM_CLASS(CDPropertyModifier, platform::Object)
 public:
  /// Retains `target`, stores the type and the two values in a new
  /// interpolator; stopTargetWhenComplete false. Expects a target of the
  /// class _allowableType() names; otherwise logs and returns false.
  bool init(platform::Object* target, std::int32_t interpolationType, float startVal, float endVal);

  /// Sets the property to the interpolated value for t < 1. For t ≥ 1 sets
  /// it to endValue() exactly and then, if stopTargetWhenComplete(), stops
  /// the target (every such call does).
  void modify(float t);

  float startValue() const { return startValue_; }
  /// Also the interpolator's start.
  void setStartValue(float startValue);
  float endValue() const { return endValue_; }
  /// Also the interpolator's end.
  void setEndValue(float endValue);
  /// The interpolator's type (CDFloatInterpolator::kLinear, kSCurve, kExponential).
  std::int32_t interpolationType() const;
  void setInterpolationType(std::int32_t type);
  /// Whether reaching the end stops the target. False after init.
  bool stopTargetWhenComplete() const { return stopTargetWhenComplete_; }
  void setStopTargetWhenComplete(bool stop) { stopTargetWhenComplete_ = stop; }
  platform::Object* target() const { return target_.get(); }
  CDFloatInterpolator* interpolator() const { return interpolator_.get(); }

  // [SECTION] Hooks for concrete modifiers. The base class does nothing,
  // reads 0 and accepts any object.

  /// Writes the driven property of the target.
  virtual void _setTargetProperty(float value) {}
  /// Reads the driven property of the target.
  virtual float _getTargetProperty() const { return 0; }
  /// What "stop" means for the target.
  virtual void _stopTarget() {}
  /// The class a target must be (or derive from).
  virtual const platform::ClassInfo& _allowableType() const { return platform::Object::classInfo_; }

 private:
  platform::Ref<CDFloatInterpolator> interpolator_;
  float startValue_ = 0;
  float endValue_ = 0;
  platform::Ref<platform::Object> target_;  // retained
  bool stopTargetWhenComplete_ = false;
};

/// Fades a sound source's gain; the stop action stops the source.
class CDSoundSourceFader : public CDPropertyModifier {
  PLATFORM_CLASS(CDSoundSourceFader, CDPropertyModifier)
 public:
  /// A new fader (autoreleased), or nullptr when `target` is missing.
  static CDSoundSourceFader* modifierWithTarget(CDSoundSource* target, std::int32_t interpolationType,
                                                float startVal, float endVal);
  void _setTargetProperty(float value) override;
  float _getTargetProperty() const override;
  void _stopTarget() override;
  const platform::ClassInfo& _allowableType() const override;
};

/// Sweeps a sound source's pan (−1 left to 1 right); the stop action stops the source.
class CDSoundSourcePanner : public CDPropertyModifier {
  PLATFORM_CLASS(CDSoundSourcePanner, CDPropertyModifier)
 public:
  static CDSoundSourcePanner* modifierWithTarget(CDSoundSource* target, std::int32_t interpolationType,
                                                 float startVal, float endVal);
  void _setTargetProperty(float value) override;
  float _getTargetProperty() const override;
  void _stopTarget() override;
  const platform::ClassInfo& _allowableType() const override;
};

/// Bends a sound source's pitch; the stop action stops the source.
class CDSoundSourcePitchBender : public CDPropertyModifier {
  PLATFORM_CLASS(CDSoundSourcePitchBender, CDPropertyModifier)
 public:
  static CDSoundSourcePitchBender* modifierWithTarget(CDSoundSource* target, std::int32_t interpolationType,
                                                      float startVal, float endVal);
  void _setTargetProperty(float value) override;
  float _getTargetProperty() const override;
  void _stopTarget() override;
  const platform::ClassInfo& _allowableType() const override;
};

/// Fades the sound engine's master gain; the stop action stops every sound.
class CDSoundEngineFader : public CDPropertyModifier {
  PLATFORM_CLASS(CDSoundEngineFader, CDPropertyModifier)
 public:
  static CDSoundEngineFader* modifierWithTarget(CDSoundEngine* target, std::int32_t interpolationType,
                                                float startVal, float endVal);
  void _setTargetProperty(float value) override;
  float _getTargetProperty() const override;
  void _stopTarget() override;
  const platform::ClassInfo& _allowableType() const override;
};

}  // namespace audio
