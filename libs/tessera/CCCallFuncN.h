#pragma once
// CCCallFuncN: an instant action that calls a method with the node it runs on.

#include "tessera/CCCallFunc.h"

class CCNode;

/// On start: calls `selector` (a void(CCNode*) method) on the callback
/// target with the node the action runs on (nullptr for a target that is not
/// a node). Its reverse is a copy of itself.
class CCCallFuncN : public CCCallFunc {
  PLATFORM_CLASS(CCCallFuncN, CCCallFunc)

 public:
  /// A new autoreleased call of `selector` on `target` (retained).
  /// \param target the object to call.
  /// \param selector a void(CCNode*) method, made with callfuncN_selector();
  ///   it gets the node running the action.
  static CCCallFuncN* actionWithTarget(platform::Object* target, const platform::Selector& selector);

  void execute() override;

 protected:
  ~CCCallFuncN() override = default;
};
