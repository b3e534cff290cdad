#pragma once
// CCRepeatForever: runs an interval action again and again, never finishing.

#include "platform/Ref.h"
#include "tessera/CCAction.h"
#include "tessera/CCActionInterval.h"

/// Each step forwards dt to the inner action. In the step where the inner
/// action finishes, it is started again on the same target and stepped once
/// more, which (being its first step) applies fraction 0: every cycle begins
/// exactly at its start state and the surplus time of the finished cycle is
/// dropped.
///
/// Stopping a repeat-forever does not stop the inner action. With no inner
/// action (initWithAction(nullptr)) it does nothing and never finishes.
/// Cost: one or, at the end of a cycle, three virtual calls per step.
class CCRepeatForever : public CCAction {
  PLATFORM_CLASS(CCRepeatForever, CCAction)

 public:
  /// A repeat-forever needs its inner action: use actionWithAction().
  static CCRepeatForever* action() = delete;
  /// A new autoreleased repeat-forever around `action`, which it retains.
  /// \param action the action to repeat.
  static CCRepeatForever* actionWithAction(CCActionInterval* action);

  /// Base init, then retains `action` as the inner action.
  virtual bool initWithAction(CCActionInterval* action);

  /// A new action of the same class (count 1) around a copy of the inner
  /// action. The tag is not copied.
  CCRepeatForever* copy() const override;
  /// A new autoreleased CCRepeatForever around the inner action's reverse.
  CCRepeatForever* reverse() const;

  /// Base start, then starts the inner action on the same target.
  void startWithTarget(platform::Object* target) override;
  /// See the class comment.
  void step(float dt) override;
  /// Always false.
  bool isDone() const override;

  /// The repeated action (retained), or nullptr.
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCRepeatForever() override = default;

  platform::Ref<CCActionInterval> other_;  // retained
};
