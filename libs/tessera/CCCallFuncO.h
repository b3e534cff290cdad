#pragma once
// CCCallFuncO: an instant action that calls a method with an object.

#include "tessera/CCCallFunc.h"

/// On start: calls `selector` (a void(T*) method, T a counted class) on the
/// callback target with the stored object, which the action retains. Its
/// reverse is a copy of itself.
class CCCallFuncO : public CCCallFunc {
  PLATFORM_CLASS(CCCallFuncO, CCCallFunc)

 public:
  /// A new autoreleased call of `selector` on `target` with `object` (both retained).
  /// \param target the object to call.
  /// \param selector a void(T*) method, made with callfuncO_selector().
  /// \param object the argument it is called with.
  static CCCallFuncO* actionWithTarget(platform::Object* target, const platform::Selector& selector,
                                       platform::Object* object);

  /// CCCallFunc init, then retains `object`.
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector,
                              platform::Object* object);
  using CCCallFunc::initWithTarget;

  /// A new action of the same class (count 1) with the same three; no tag.
  CCCallFuncO* copy() const override;

  void execute() override;

  /// The argument passed (retained), or nullptr.
  platform::Object* object() const { return object_.get(); }
  void setObject(platform::Object* object) { object_ = object; }

 protected:
  ~CCCallFuncO() override = default;

  platform::Ref<platform::Object> object_;  // retained
};
