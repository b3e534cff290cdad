#pragma once
// CDLongAudioSourceFader: fades a long audio source's volume (music fading
// in or out); the stop action pauses the source, so it can resume from
// where the fade left it. See CDPropertyModifier for how a fade is stepped.

#include "audio/CDPropertyModifier.h"

namespace audio {

class CDLongAudioSource;

/// Fades a long audio source's volume (music fading in or out); the stop action
/// pauses the source, so it can resume from where the fade left it. See
/// CDPropertyModifier for how a fade is stepped.
class CDLongAudioSourceFader : public CDPropertyModifier {
  PLATFORM_CLASS(CDLongAudioSourceFader, CDPropertyModifier)
 public:
  /// A new fader (autoreleased), or nullptr when `target` is missing.
  static CDLongAudioSourceFader* modifierWithTarget(CDLongAudioSource* target, std::int32_t interpolationType,
                                                    float startVal, float endVal);
  void _setTargetProperty(float value) override;
  float _getTargetProperty() const override;
  void _stopTarget() override;
  const platform::ClassInfo& _allowableType() const override;
};

}  // namespace audio
