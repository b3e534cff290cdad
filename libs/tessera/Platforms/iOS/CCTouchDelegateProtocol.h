#pragma once
// The two kinds of touch delegate the touch dispatcher serves.
//
// A delegate is a counted object that also derives from one (or both) of
// these protocols; it registers itself as its platform::Object*. The protocols
// carry no data.
//
// Targeted delegates see one touch at a time. They must claim a touch in
// ccTouchBegan() to see its later phases, and may swallow the touches they
// claim so that nobody served after them sees those touches.
//
// Standard delegates see, per phase, the whole set of touches that no
// targeted delegate swallowed.
//
// Apart from ccTouchBegan(), every callback is optional. Whether a delegate
// implements one is part of its registration (the handler's enabledSelectors),
// so a delegate states it explicitly through its selector mask rather than
// leaving the dispatcher to guess: override the callbacks and the mask
// together.

namespace platform {
class Touch;
class TouchSet;
class Event;
}  // namespace platform

/// Selector bits of a touch handler's enabledSelectors and of the delegates'
/// masks, one per phase.
inline constexpr unsigned kCCTouchSelectorBeganBit = 1u << 0;
inline constexpr unsigned kCCTouchSelectorMovedBit = 1u << 1;
inline constexpr unsigned kCCTouchSelectorEndedBit = 1u << 2;
inline constexpr unsigned kCCTouchSelectorCancelledBit = 1u << 3;
inline constexpr unsigned kCCTouchSelectorAllBits = kCCTouchSelectorBeganBit |
                                                    kCCTouchSelectorMovedBit |
                                                    kCCTouchSelectorEndedBit |
                                                    kCCTouchSelectorCancelledBit;

/// A delegate that is offered touches one at a time.
class CCTargetedTouchDelegate {
 public:
  /// A touch began. Return true to claim it: only a delegate that claimed a
  /// touch sees its later phases. Called for every touch that reaches the
  /// delegate, whatever the mask says.
  /// \param touch the touch, with its location in the GL view (convert it with
  ///   CCDirector::convertToGL()).
  /// \param event the event the touch came with.
  virtual bool ccTouchBegan(platform::Touch* touch, platform::Event* event) = 0;
  /// A claimed touch moved. Called only when the mask has the moved bit.
  virtual void ccTouchMoved(platform::Touch* touch, platform::Event* event) {}
  /// A claimed touch ended. Called only when the mask has the ended bit; the
  /// claim ends either way.
  virtual void ccTouchEnded(platform::Touch* touch, platform::Event* event) {}
  /// A claimed touch was cancelled. Called only when the mask has the
  /// cancelled bit; the claim ends either way.
  virtual void ccTouchCancelled(platform::Touch* touch, platform::Event* event) {}

  /// Which of ccTouchMoved/Ended/Cancelled this delegate implements, as
  /// kCCTouchSelector*Bit values. Default 0 (none). The began bit is implied.
  /// Read once, when the delegate registers.
  virtual unsigned touchSelectorMask() const { return 0; }

 protected:
  ~CCTargetedTouchDelegate() = default;
};

/// A delegate that receives, per phase, the set of touches no targeted
/// delegate swallowed.
class CCStandardTouchDelegate {
 public:
  /// Each is called only when the mask has its bit, and only with a non-empty
  /// set. The set is valid for the duration of the call.
  /// \param touches the touches of this phase.
  /// \param event the event the touches came with.
  virtual void ccTouchesBegan(platform::TouchSet* touches, platform::Event* event) {}
  virtual void ccTouchesMoved(platform::TouchSet* touches, platform::Event* event) {}
  virtual void ccTouchesEnded(platform::TouchSet* touches, platform::Event* event) {}
  virtual void ccTouchesCancelled(platform::TouchSet* touches, platform::Event* event) {}

  /// Which of the four callbacks this delegate implements, as
  /// kCCTouchSelector*Bit values. Default 0 (none). Read once, when the
  /// delegate registers.
  virtual unsigned touchesSelectorMask() const { return 0; }

 protected:
  ~CCStandardTouchDelegate() = default;
};
