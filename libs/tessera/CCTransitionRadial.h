#pragma once
// Radial wipes: the outgoing scene is frozen into a picture that a clock hand
// sweeps away, counter-clockwise or clockwise from 12 o'clock, uncovering the
// incoming scene below it.
//
//   director->replaceScene(CCTransitionRadialCW::transitionWithDuration(1.0f, next));
//
// Cost: one render texture the size of the window, drawn once when the
// transition starts, and a progress timer showing it; nothing per frame
// beyond the timer's fan of at most 7 vertices.
//
// Main thread only.

#include "tessera/CCProgressTimer.h"
#include "tessera/CCTransition.h"

#include <cstdint>

/// The tag of the progress timer the radial wipes add to the transition.
inline constexpr std::int32_t kSceneRadial = 0xC001;

/// Wipes counter-clockwise. When the picture cannot be made (logged) the
/// scenes change after the duration without the wipe.
class CCTransitionRadialCCW : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionRadialCCW, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionRadialCCW)

  /// The incoming scene is drawn below.
  void sceneOrder() override;
  /// Draws the outgoing scene into a picture (cleared to opaque black),
  /// hides it and shows the incoming scene, then adds a progress timer of
  /// radialType() showing the picture at 100 percent, centred, at z 2 (tag
  /// kSceneRadial), which runs from 100 to 0 percent over the duration,
  /// then finish.
  void onEnter() override;
  /// Removes the progress timer, then the base onExit.
  void onExit() override;
  /// kCCProgressTimerTypeRadialCCW.
  virtual CCProgressTimerType radialType();

 protected:
  ~CCTransitionRadialCCW() override = default;
};

/// Wipes clockwise.
class CCTransitionRadialCW : public CCTransitionRadialCCW {
  PLATFORM_CLASS(CCTransitionRadialCW, CCTransitionRadialCCW)

 public:
  CC_TRANSITION_FACTORY(CCTransitionRadialCW)
  /// kCCProgressTimerTypeRadialCW.
  CCProgressTimerType radialType() override;

 protected:
  ~CCTransitionRadialCW() override = default;
};
