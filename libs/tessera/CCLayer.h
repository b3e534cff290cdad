#pragma once
// CCLayer: a full-screen node that can receive touches and accelerometer
// readings.

#include "platform/Accelerometer.h"
#include "tessera/CCNode.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"

/// A full-screen node that can receive touches and accelerometer readings.
///
/// A layer covers the window (content size = the director's window size) and
/// its origin lands on its position. It is a touch delegate of both kinds and
/// an accelerometer delegate, and registers with each service only while it is
/// running and the matching switch is on:
///
///   touches        registered in onEnter(), removed in onExit(), and switched
///                  at once by setIsTouchEnabled() while running;
///   accelerometer  becomes the delegate in onEnterTransitionDidFinish() (after
///                  any scene transition), gives it up in onExit(), and is
///                  switched at once by setIsAccelerometerEnabled() while
///                  running.
///
/// The accelerometer has one delegate: the last layer to register wins, and any
/// enabled layer that leaves clears it, whichever layer holds it.
///
/// A plain layer implements no touch or accelerometer callback (its masks are
/// 0). A subclass overrides the callbacks it wants together with the matching
/// mask; one that registers as a targeted delegate (by overriding
/// registerWithTouchDispatcher) must override ccTouchBegan.
///
/// Main thread only.
class CCLayer : public CCNode,
                public CCStandardTouchDelegate,
                public CCTargetedTouchDelegate,
                public platform::AccelerometerDelegate {
  PLATFORM_CLASS(CCLayer, CCNode)

 public:
  CC_NODE_FACTORY(CCLayer)

  CCLayer() = default;

  /// Node init, then: anchor point (0.5, 0.5) (stored as given), content size
  /// = the director's winSize() through setContentSize (which derives the
  /// anchor in pixels; a subclass override sees the call), isRelativeAnchorPoint
  /// false, touch and accelerometer off. Always succeeds.
  bool init() override;

  /// Registers with the shared touch dispatcher as a standard delegate of
  /// priority 0. Override it to register otherwise (for example as a targeted
  /// delegate); it is called whenever the layer should start receiving touches.
  virtual void registerWithTouchDispatcher();

  /// Default false.
  bool isTouchEnabled() const { return isTouchEnabled_; }
  /// The current value changes nothing. Otherwise stores it and, only while
  /// running, registers (registerWithTouchDispatcher) or unregisters.
  virtual void setIsTouchEnabled(bool enabled);

  /// Default false.
  bool isAccelerometerEnabled() const { return isAccelerometerEnabled_; }
  /// The current value changes nothing. Otherwise stores it and, only while
  /// running, makes this layer the accelerometer's delegate or clears the
  /// delegate.
  virtual void setIsAccelerometerEnabled(bool enabled);

  /// Registers for touches if enabled, then the node's onEnter().
  void onEnter() override;
  /// Becomes the accelerometer's delegate if enabled, then the node's
  /// onEnterTransitionDidFinish().
  void onEnterTransitionDidFinish() override;
  /// Unregisters from touches and clears the accelerometer's delegate (each if
  /// enabled), then the node's onExit().
  void onExit() override;

  /// A layer that registers as a targeted delegate must override this. Fails
  /// the assertion "Layer#ccTouchBegan override me" and claims the touch.
  bool ccTouchBegan(platform::Touch* touch, platform::Event* event) override;

 protected:
  /// dealloc: an enabled layer that is still the accelerometer's delegate
  /// (destroyed without leaving the scene) clears it, so no reading reaches a
  /// destroyed object.
  ~CCLayer() override;

  bool isTouchEnabled_ = false;
  bool isAccelerometerEnabled_ = false;
};
