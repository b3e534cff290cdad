#pragma once
// CCCallFunc: an instant action that calls a method of an object.
//
// The object called is retained for as long as the action exists, so an
// action that calls back the node it runs on keeps that node alive until the
// action manager drops the action. The call happens inside startWithTarget();
// the called code may run, stop or remove actions (this one included) and
// remove the node: the action keeps itself alive until the call returns.

#include "platform/Ref.h"
#include "platform/Selector.h"
#include "tessera/CCActionInstant.h"

#include <string>

/// On start: calls `selector` (a void() method) on the callback target.
/// Its reverse is a copy of itself.
class CCCallFunc : public CCActionInstant {
  PLATFORM_CLASS(CCCallFunc, CCActionInstant)

 public:
  /// A new autoreleased call of `selector` on `target` (retained).
  /// \param target the object to call.
  /// \param selector a void() method, made with callfunc_selector().
  static CCCallFunc* actionWithTarget(platform::Object* target, const platform::Selector& selector);

  /// Instant init, then retains `target` and stores `selector`. A nullptr
  /// target or a null selector makes an action that calls nothing.
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector);
  using CCActionInstant::init;

  /// A new action of the same class (count 1) calling the same object and
  /// selector; no tag.
  CCCallFunc* copy() const override;
  /// "<ClassName = ADDRESS | Tag = tag | target = TargetClass | selector = name>".
  std::string description() const override;

  /// Base start, then execute().
  void startWithTarget(platform::Object* target) override;
  /// Makes the call. This class calls the selector without an argument.
  virtual void execute();

  /// The object called (retained), or nullptr.
  platform::Object* targetCallback() const { return targetCallback_.get(); }
  /// Retains the new object, then releases the old one.
  void setTargetCallback(platform::Object* target) { targetCallback_ = target; }
  const platform::Selector& selector() const { return selector_; }

 protected:
  ~CCCallFunc() override = default;

  platform::Ref<platform::Object> targetCallback_;  // retained
  platform::Selector selector_;
};
