#pragma once
// CCGridBase: the object through which a node draws while a grid effect runs
// on it. The grid classes fill this in; a node needs only the three calls
// below, and a node without a grid never makes them.

#include "platform/Object.h"

class CCNode;

class CCGridBase : public platform::Object {
  PLATFORM_CLASS(CCGridBase, platform::Object)

 public:
  /// Whether the node should draw through the grid this frame. Default false.
  virtual bool active() const { return false; }
  /// Called by the node's visit() before anything of the node is drawn.
  virtual void beforeDraw() {}
  /// Called by the node's visit() after the node and its children were drawn.
  virtual void afterDraw(CCNode* target) {}

 protected:
  ~CCGridBase() override = default;
};
