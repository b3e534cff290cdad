#pragma once
// CCCallFuncND: an instant action that calls a method with the node it runs
// on and an untyped pointer.

#include "tessera/CCCallFuncN.h"

/// The function that makes the call: (callback target, selector, node, data).
using CCCallFuncNDMethod = void (*)(platform::Object* target, const platform::Selector& selector, CCNode* node,
                                    void* data);

/// On start: calls the callback method with (callback target, selector, the
/// node the action runs on, data). The method is bound once at
/// initialisation to the selector's own implementation (a void(CCNode*,
/// void*) method); setCallbackMethod() replaces it. `data` is passed through
/// unchanged and never owned. Its reverse is a copy of itself.
class CCCallFuncND : public CCCallFuncN {
  PLATFORM_CLASS(CCCallFuncND, CCCallFuncN)

 public:
  /// A new autoreleased call of `selector` on `target` (retained) with `data`.
  /// \param target the object to call.
  /// \param selector a void(CCNode*, void*) method, made with
  ///   callfuncND_selector(); it gets the node running the action and `data`.
  /// \param data passed through untouched; not owned.
  static CCCallFuncND* actionWithTarget(platform::Object* target, const platform::Selector& selector, void* data);

  /// CCCallFunc init, then stores `data` and binds the callback method.
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector, void* data);
  using CCCallFunc::initWithTarget;

  /// A new action of the same class (count 1) with the same object, selector
  /// and pointer; no tag.
  CCCallFuncND* copy() const override;

  void execute() override;

  void* data() const { return data_; }
  CCCallFuncNDMethod callbackMethod() const { return callbackMethod_; }
  void setCallbackMethod(CCCallFuncNDMethod method) { callbackMethod_ = method; }

 protected:
  ~CCCallFuncND() override = default;

  void* data_ = nullptr;  // not owned
  CCCallFuncNDMethod callbackMethod_ = nullptr;
};
