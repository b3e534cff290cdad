#pragma once
// CCTransitionPageTurn: the outgoing scene curls away like a page turned from
// its bottom-right corner, uncovering the incoming scene; backwards, the
// incoming scene curls in over the outgoing one, the same turn played in
// reverse.

#include "tessera/CCTransition.h"

/// The outgoing scene curls away like a page turned from its bottom-right
/// corner, uncovering the incoming scene; backwards, the incoming scene curls in
/// over the outgoing one, the same turn played in reverse.
///
///   director->replaceScene(CCTransitionPageTurn::transitionWithDuration(1.0f, next, false));
///
/// Cost: one 3-D grid on the scene that turns (16 x 12 vertices' worth of
/// tiles in landscape, 12 x 16 in portrait), rewritten in place each frame.
///
/// Main thread only.
class CCTransitionPageTurn : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionPageTurn, CCTransitionScene)

 public:
  /// Turning forwards.
  CC_TRANSITION_FACTORY(CCTransitionPageTurn)
  /// Turning backwards when `backwards` is true.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  /// \param backwards whether the incoming scene curls in over the outgoing
  ///   one, instead of the outgoing one curling away.
  static CCTransitionPageTurn* transitionWithDuration(float duration, CCScene* scene, bool backwards);

  /// initWithDuration(duration, scene, false).
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  bool initWithDuration(float duration, CCScene* scene) override;
  /// Stores the direction, then the base initialiser.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  /// \param backwards whether the incoming scene curls in over the outgoing
  ///   one, instead of the outgoing one curling away.
  virtual bool initWithDuration(float duration, CCScene* scene, bool backwards);

  /// Whether the page turns backwards. Default false.
  bool backwards() const { return back_; }

  /// The incoming scene is on top only when turning backwards.
  void sceneOrder() override;
  /// Forwards: the outgoing scene runs the page turn, finish and stop-grid.
  /// Backwards: the incoming scene is hidden and runs show, the page turn
  /// reversed in time, finish and stop-grid.
  void onEnter() override;
  /// The page turn over the grid of `size` for the duration, reversed in
  /// time when turning backwards (autoreleased).
  /// \param size the grid's cells across and up.
  virtual CCActionInterval* actionWithSize(ccGridSize size);

 protected:
  ~CCTransitionPageTurn() override = default;

  bool back_ = false;
};
