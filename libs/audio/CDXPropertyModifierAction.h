#pragma once
// CDXPropertyModifierAction: runs an audio property modifier (a fade of a
// sound source's gain, pan or pitch, of a long source's volume or of the
// engine's master gain) as an interval action, so the engine's action manager
// steps it every frame with the fraction of the duration that has passed.

#include "audio/CDPropertyModifier.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"

namespace audio {

/// Runs an audio property modifier (a fade of a sound source's gain, pan or
/// pitch, of a long source's volume or of the engine's master gain) as an
/// interval action, so the engine's action manager steps it every frame with the
/// fraction of the duration that has passed.
///
///   auto* fader = audio::CDSoundSourceFader::modifierWithTarget(source, 1, 1.0f, 0.0f);
///   fader->setStopTargetWhenComplete(true);
///   anyNode->runAction(audio::CDXPropertyModifierAction::actionWithDuration(2.0f, fader));
///
/// Header only: this is where the audio library meets the engine. The audio
/// library itself never links the engine; a game that includes this header
/// links both. The node running the action only gives the action manager a
/// target; the modifier drives its own audio object, which it retains.
///
/// Cost: one modify() per frame; nothing is allocated.
class CDXPropertyModifierAction : public CCActionInterval {
  PLATFORM_CLASS(CDXPropertyModifierAction, CCActionInterval)
 public:
  /// A new autoreleased action running `modifier` over `duration` seconds;
  /// nullptr (logged) without a modifier.
  static CDXPropertyModifierAction* actionWithDuration(float duration, CDPropertyModifier* modifier) {
    return platform::createAutoreleased<CDXPropertyModifierAction>(
        [&](CDXPropertyModifierAction& action) { return action.initWithDuration(duration, modifier); });
  }

  /// Interval init, then retains `modifier`. False (logged) without one.
  bool initWithDuration(float duration, CDPropertyModifier* modifier) {
    if (modifier == nullptr) {
      platform::log("tessera: CDXPropertyModifierAction: no modifier to run");
      return false;
    }
    if (!CCActionInterval::initWithDuration(duration)) return false;
    modifier_ = modifier;
    return true;
  }
  using CCActionInterval::initWithDuration;

  /// A new action (count 1) of the same duration driving the same modifier.
  CDXPropertyModifierAction* copy() const override {
    auto* action = newInstanceOfSameClass<CDXPropertyModifierAction>();
    if (action != nullptr && !action->initWithDuration(duration_, modifier_.get())) {
      action->release();
      return nullptr;
    }
    return action;
  }

  /// Applies the modifier for `t`; at t ≥ 1 it writes the end value and, if
  /// the modifier says so, stops its target.
  void update(float t) override {
    if (modifier_) modifier_->modify(t);
  }

  CDPropertyModifier* modifier() const { return modifier_.get(); }

 protected:
  ~CDXPropertyModifierAction() override = default;

 private:
  platform::Ref<CDPropertyModifier> modifier_;
};

}  // namespace audio
