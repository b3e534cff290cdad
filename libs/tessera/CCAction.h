#pragma once
// CCAction: the protocol every action follows.

#include "platform/Object.h"

#include <cstdint>
#include <string>

/// The tag of an action that has none. Lookups by tag refuse it.
inline constexpr std::int32_t kCCActionTagInvalid = -1;

/// The protocol every action follows.
///
/// An action changes properties of one object (its target, normally a node) as
/// time passes. The action manager drives it in a fixed order:
///   startWithTarget(target)   once, when the action is run;
///   step(dt)                  once per frame while it runs, followed by isDone();
///   stop()                    once, after isDone() turned true.
/// An action removed before it finishes is released without stop().
///
/// For actions, update(t) is the interpolation entry: it receives the fraction
/// of the action that has passed (normally 0 to 1). Interval actions call it
/// from step(); containers and easing wrappers call it directly on their inner
/// actions. It overrides platform::Object::update(float), the scheduler's
/// per-frame callback, which actions never receive from the scheduler.
///
/// Every subclass declares itself with PLATFORM_CLASS and is default
/// constructible, so copies can make "a new instance of the same class".
class CCAction : public platform::Object {
  PLATFORM_CLASS(CCAction, platform::Object)

 public:
  /// A new autoreleased action made with init().
  static CCAction* action();

  /// Clears the targets and sets the tag to kCCActionTagInvalid. May be run
  /// again on a live object. Returns false when the class refuses plain init.
  virtual bool init();

  /// A new action of the same class (count 1, owned by the caller), made with
  /// init() and carrying this action's tag; nothing else is copied.
  CCAction* copy() const override;
  /// "<ClassName = ADDRESS | Tag = tag>".
  std::string description() const override;

  /// Records `target` as both the target and the original target.
  virtual void startWithTarget(platform::Object* target);
  /// Clears the target; the original target is kept.
  virtual void stop();
  /// Whether the action has finished. Asked after every step(). Default: true.
  virtual bool isDone() const;
  /// Advances the action by `dt` seconds. The base class only logs
  /// "[Action step]. override me".
  virtual void step(float dt);
  /// Applies fraction `t` of the action. The base class only logs
  /// "[Action update]. override me".
  void update(float t) override;

  /// The caller's label. Default kCCActionTagInvalid.
  std::int32_t tag() const { return tag_; }
  void setTag(std::int32_t tag) { tag_ = tag; }
  /// The object being changed while the action runs; nullptr before start
  /// and after stop. Not retained.
  platform::Object* target() const { return target_; }
  /// The object the action was last started on; kept after stop. Not retained.
  platform::Object* originalTarget() const { return originalTarget_; }

 protected:
  ~CCAction() override = default;

  /// A fresh, not yet initialised object of this object's class (count 1), for
  /// copies. Expects the class to be default constructible; otherwise fails an
  /// assertion and returns nullptr. Also nullptr when the class is not a T.
  template <class T>
  T* newInstanceOfSameClass() const {
    CCAction* made = newActionOfSameClass();
    T* typed = dynamic_cast<T*>(made);
    if (made && !typed) made->release();
    return typed;
  }

  platform::Object* originalTarget_ = nullptr;  // weak
  platform::Object* target_ = nullptr;          // weak
  std::int32_t tag_ = kCCActionTagInvalid;

 private:
  CCAction* newActionOfSameClass() const;
};
