#pragma once
// CCScene: the root node of a tree that the director runs.

#include "tessera/CCNode.h"

/// The root node of a tree that the director runs.
///
/// A scene covers the window: its content size is the director's window size,
/// its anchor point is the centre and its origin lands on its position, so a
/// scene at (0, 0) fills the screen. Layers and other nodes go inside it.
///
/// Main thread only.
class CCScene : public CCNode {
  PLATFORM_CLASS(CCScene, CCNode)

 public:
  CC_NODE_FACTORY(CCScene)

  CCScene() = default;

  /// Node init, then: isRelativeAnchorPoint false, anchor point (0.5, 0.5)
  /// (stored as given, before the size is known), content size = the
  /// director's winSize() (through setContentSize, which derives the anchor in
  /// pixels). A director without a view reports (0, 0). Always succeeds.
  bool init() override;
};
