#pragma once
// CCFiniteTimeAction: an action with a duration, the base of interval and
// instant actions. Only these can be sequenced, repeated or reversed.

#include "tessera/CCAction.h"

/// An action with a duration, the base of interval and instant actions. Only
/// these can be sequenced, repeated or reversed.
class CCFiniteTimeAction : public CCAction {
  PLATFORM_CLASS(CCFiniteTimeAction, CCAction)

 public:
  /// A new autoreleased action made with init() (duration 0).
  static CCFiniteTimeAction* action();

  /// As CCAction::copy(): same class, init(), same tag. The duration is not copied.
  CCFiniteTimeAction* copy() const override;

  /// The action that undoes this one, autoreleased. This class has none and
  /// returns nullptr; subclasses that can be reversed override it.
  virtual CCFiniteTimeAction* reverse() const;

  /// Length in seconds. Default 0.
  float duration() const { return duration_; }
  void setDuration(float duration) { duration_ = duration; }

 protected:
  ~CCFiniteTimeAction() override = default;

  float duration_ = 0.0f;
};
