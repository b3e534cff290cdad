#pragma once
// Scene transitions: scenes that stand in for the running scene while the
// director changes scenes.
//
// [SECTION] Constants
// [SECTION] CCTransitionScene: the base
// [SECTION] CCTransitionSceneOriented: the base of the flips
// [SECTION] Zooms: rotate-zoom, jump-zoom, shrink-grow
// [SECTION] Move-in and slide-in
// [SECTION] Flips and zoom flips
// [SECTION] Fades: colour fade and cross fade
// [SECTION] Tile effects: turn-off tiles, fade tiles, split rows and columns

#include "platform/Ref.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCScene.h"
#include "tessera/ccTypes.h"

#include <cstdint>

// [SECTION] Constants

/// Which way an oriented transition turns: the flips turn the page to the
/// left (0) or to the right (1) about the vertical axis, upwards (0) or
/// downwards (1) about the horizontal one.
enum tOrientation : int {
  kOrientationLeftOver = 0,
  kOrientationRightOver = 1,
  kOrientationUpOver = 0,
  kOrientationDownOver = 1,
};

/// The tag of the colour layer that the colour fade and the cross fade add
/// to the transition (0xFADEFADE as a signed 32-bit tag).
inline constexpr std::int32_t kSceneFade = static_cast<std::int32_t>(0xFADEFADEu);

/// Declares `static Class* transitionWithDuration(float, CCScene*)`: a new
/// Class made by initWithDuration(duration, scene) and autoreleased, or
/// nullptr when that fails. Static factories are not inherited as "the
/// receiving class", so every transition class puts this in its body.
#define CC_TRANSITION_FACTORY(Class)                                                   \
  /** A new autoreleased transition. \param duration seconds it lasts.                 \
      \param scene the incoming scene. */                                              \
  static Class* transitionWithDuration(float duration, CCScene* scene) {               \
    return ::platform::createAutoreleased<Class>(                                      \
        [&](Class& transition) { return transition.initWithDuration(duration, scene); }); \
  }

/// CC_TRANSITION_FACTORY plus `transitionWithDuration(float, CCScene*,
/// tOrientation)` for the oriented transitions.
#define CC_TRANSITION_ORIENTED_FACTORY(Class)                                                          \
  CC_TRANSITION_FACTORY(Class)                                                                        \
  /** A new autoreleased transition. \param duration seconds it lasts.                                \
      \param scene the incoming scene. \param orientation which way it turns. */                      \
  static Class* transitionWithDuration(float duration, CCScene* scene, tOrientation orientation) {    \
    return ::platform::createAutoreleased<Class>(                                                     \
        [&](Class& transition) { return transition.initWithDuration(duration, scene, orientation); }); \
  }

// [SECTION] CCTransitionScene

/// The base of scene transitions: a scene that stands in for the running
/// scene while the director changes scenes.
///
/// A transition holds the outgoing scene (the director's running scene when the
/// transition is made) and the incoming one, animates one or both with actions
/// over its duration, and when the last action is done hands over to the
/// incoming scene. Use it in place of the new scene:
///
///   CCScene* next = GameScene::node();
///   CCDirector::sharedDirector()->replaceScene(CCTransitionFade::transitionWithDuration(0.5f, next));
///
/// Touch dispatch is off from the moment a transition is made until it has
/// handed over, so no layer receives touches half-way through a change.
///
/// Hand-over: the last action calls finish(), which puts both scenes back to
/// rest (position (0, 0), scale 1, rotation 0, camera restored; the outgoing
/// scene hidden) and schedules setNewScene(). That runs on the frame after the
/// one that drew the last step, so the final picture of the transition is
/// shown once; it replaces the transition by the incoming scene through the
/// director, switches touch dispatch on and shows the outgoing scene again.
/// The director then exits (and, for a replaced transition, cleans up) the
/// transition, which exits the outgoing scene (and cleans it up when the
/// director asked for cleanup) and tells the incoming scene
/// onEnterTransitionDidFinish(). The incoming scene is never entered twice.
///
/// The page-turn transition is in CCTransitionPageTurn.h, the radial wipes in
/// CCTransitionRadial.h.
///
/// Cost: a transition allocates its actions once, when it is entered; the
/// colour fade adds one layer, the cross fade two render textures the size of
/// the window, the tile effects one grid. Nothing is allocated per frame.
///
/// Main thread only.
class CCTransitionScene : public CCScene {
  PLATFORM_CLASS(CCTransitionScene, CCScene)

 public:
  // [SECTION] Creation

  /// A transition needs its scenes: use transitionWithDuration().
  static CCTransitionScene* node() = delete;
  CC_TRANSITION_FACTORY(CCTransitionScene)

  CCTransitionScene() = default;

  /// Expects an incoming scene ("Argument scene must be non-nil"). Scene
  /// init, then stores the duration (seconds), retains `scene` as the
  /// incoming scene and the director's running scene as the outgoing one
  /// (none before the first scene runs), which must differ ("Incoming scene
  /// must be different from the outgoing scene"), switches touch dispatch off
  /// and calls sceneOrder(). Returns false, leaving touch dispatch as it was,
  /// when an expectation fails.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  virtual bool initWithDuration(float duration, CCScene* scene);

  // [SECTION] Properties

  /// The incoming scene (retained).
  CCScene* inScene() const { return inScene_.get(); }
  /// The scene running when the transition was made (retained), or nullptr.
  CCScene* outScene() const { return outScene_.get(); }
  /// Seconds.
  float duration() const { return duration_; }
  /// Whether the incoming scene is drawn above the outgoing one. Set by
  /// sceneOrder(); true for the base.
  bool isInSceneOnTop() const { return inSceneOnTop_; }
  /// Whether the outgoing scene gets cleanup() with the transition: copied
  /// from the director when the transition hands over. Default false.
  bool sendCleanupToScene() const { return sendCleanupToScene_; }

  // [SECTION] Drawing and lifecycle

  /// Sets the drawing order of the two scenes (inSceneOnTop_). Base: the
  /// incoming scene on top. Called once, by initWithDuration().
  virtual void sceneOrder();
  /// Visits the lower scene, then the upper one.
  void draw() override;
  /// Counts the frames the transition is drawn (see setNewScene()), then the
  /// node's visit.
  void visit() override;
  /// Enters the transition as a node, then the incoming scene. Subclasses
  /// call this first and then set up and run their actions.
  void onEnter() override;
  /// Exits the transition as a node, exits the outgoing scene and sends the
  /// incoming scene onEnterTransitionDidFinish().
  void onExit() override;
  /// Cleans the transition as a node and, when sendCleanupToScene() is set,
  /// the outgoing scene.
  void cleanup() override;

  // [SECTION] Hand-over

  /// Called by the last action: the incoming scene is shown with position
  /// (0, 0), scale 1, rotation 0 and its camera restored; the outgoing scene
  /// gets the same but is hidden; setNewScene() is scheduled every frame.
  void finish();
  /// Shows the incoming scene and hides the outgoing one.
  void hideOutShowIn();
  /// Scheduled by finish(). Waits until the transition has been drawn once
  /// since finish() (a timer added during a frame's tick may fire in that same
  /// tick); then unschedules itself, copies the director's
  /// sendCleanupToScene(), asks the director to replace the running scene by
  /// the incoming scene, switches touch dispatch on and shows the outgoing
  /// scene again.
  void setNewScene(float dt);

 protected:
  /// dealloc: releases the incoming and the outgoing scene.
  ~CCTransitionScene() override = default;

  /// The call-back action that ends every transition's last sequence.
  CCFiniteTimeAction* finishAction();

  platform::Ref<CCScene> inScene_;   // retained
  platform::Ref<CCScene> outScene_;  // retained; nullptr when nothing ran before
  float duration_ = 0.0f;
  bool inSceneOnTop_ = false;
  bool sendCleanupToScene_ = false;

 private:
  std::uint64_t framesDrawn_ = 0;      // visits of the transition
  std::uint64_t framesAtFinish_ = 0;   // framesDrawn_ when finish() ran
};

// [SECTION] CCTransitionSceneOriented

/// A transition that turns one of two ways (tOrientation). Without an
/// orientation it turns the 0 way (left over, up over).
class CCTransitionSceneOriented : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionSceneOriented, CCTransitionScene)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionSceneOriented)

  /// Stores the orientation, then the base initialiser.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  /// \param orientation which way it turns: kOrientationLeftOver or
  ///   kOrientationRightOver, kOrientationUpOver or kOrientationDownOver.
  virtual bool initWithDuration(float duration, CCScene* scene, tOrientation orientation);
  using CCTransitionScene::initWithDuration;

  tOrientation orientation() const { return orientation_; }

 protected:
  ~CCTransitionSceneOriented() override = default;

  tOrientation orientation_ = kOrientationLeftOver;
};

// [SECTION] Zooms

/// Both scenes pivot on their centres. The outgoing scene spins twice while
/// it shrinks to nothing in the first half; the incoming scene, which starts
/// at scale 0.001, does the reverse in the second half.
class CCTransitionRotoZoom : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionRotoZoom, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionRotoZoom)
  void onEnter() override;

 protected:
  ~CCTransitionRotoZoom() override = default;
};

/// The outgoing scene shrinks to half size in the first quarter and jumps
/// out to the left in the second; the incoming scene, at half size beyond
/// the right edge, jumps in during the third quarter and grows back to full
/// size in the last.
class CCTransitionJumpZoom : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionJumpZoom, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionJumpZoom)
  void onEnter() override;

 protected:
  ~CCTransitionJumpZoom() override = default;
};

/// The outgoing scene shrinks towards its left third while the incoming one
/// grows from its right third, both on an ease-out curve.
class CCTransitionShrinkGrow : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionShrinkGrow, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionShrinkGrow)
  void onEnter() override;
  /// Ease-out with rate 2.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionShrinkGrow() override = default;
};

// [SECTION] Move-in and slide-in

/// The incoming scene moves in over the outgoing one from the left edge
/// (the subclasses: from the right, the top, the bottom) on an ease-out
/// curve with rate 2.
class CCTransitionMoveInL : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionMoveInL, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionMoveInL)
  /// initScenes(), then the incoming scene runs the eased action() and
  /// finish().
  void onEnter() override;
  /// Places the incoming scene where it starts: (-W, 0).
  virtual void initScenes();
  /// A move-to (0, 0) over the duration (autoreleased).
  virtual CCActionInterval* action();
  /// Ease-out with rate 2.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionMoveInL() override = default;
};

/// Moves in from the right edge: starts at (W, 0).
class CCTransitionMoveInR : public CCTransitionMoveInL {
  PLATFORM_CLASS(CCTransitionMoveInR, CCTransitionMoveInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionMoveInR)
  void initScenes() override;

 protected:
  ~CCTransitionMoveInR() override = default;
};

/// Moves in from the top edge: starts at (0, H).
class CCTransitionMoveInT : public CCTransitionMoveInL {
  PLATFORM_CLASS(CCTransitionMoveInT, CCTransitionMoveInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionMoveInT)
  void initScenes() override;

 protected:
  ~CCTransitionMoveInT() override = default;
};

/// Moves in from the bottom edge: starts at (0, -H).
class CCTransitionMoveInB : public CCTransitionMoveInL {
  PLATFORM_CLASS(CCTransitionMoveInB, CCTransitionMoveInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionMoveInB)
  void initScenes() override;

 protected:
  ~CCTransitionMoveInB() override = default;
};

/// The incoming scene slides in from the left and pushes the outgoing one
/// out to the right (the subclasses: from the right, the top, the bottom),
/// both on an ease-out curve with rate 2. The incoming scene is drawn below,
/// and starts half a point closer than a full window away, so that no seam
/// shows between the two.
class CCTransitionSlideInL : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionSlideInL, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSlideInL)
  /// The incoming scene is drawn below the outgoing one.
  void sceneOrder() override;
  /// initScenes(), then both scenes run the eased action(); finish() follows
  /// the outgoing scene's move.
  void onEnter() override;
  /// Places the incoming scene where it starts: (-(W - 0.5), 0).
  virtual void initScenes();
  /// A move-by (W - 0.5, 0) over the duration (autoreleased).
  virtual CCActionInterval* action();
  /// Ease-out with rate 2.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionSlideInL() override = default;
};

/// Slides in from the right: starts at (W - 0.5, 0), moves by (-(W - 0.5), 0).
class CCTransitionSlideInR : public CCTransitionSlideInL {
  PLATFORM_CLASS(CCTransitionSlideInR, CCTransitionSlideInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSlideInR)
  void initScenes() override;
  CCActionInterval* action() override;

 protected:
  ~CCTransitionSlideInR() override = default;
};

/// Slides in from the top: starts at (0, H - 0.5), moves by (0, -(H - 0.5)).
class CCTransitionSlideInT : public CCTransitionSlideInL {
  PLATFORM_CLASS(CCTransitionSlideInT, CCTransitionSlideInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSlideInT)
  void initScenes() override;
  CCActionInterval* action() override;

 protected:
  ~CCTransitionSlideInT() override = default;
};

/// Slides in from the bottom: starts at (0, -(H - 0.5)), moves by (0, H - 0.5).
class CCTransitionSlideInB : public CCTransitionSlideInL {
  PLATFORM_CLASS(CCTransitionSlideInB, CCTransitionSlideInL)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSlideInB)
  void initScenes() override;
  CCActionInterval* action() override;

 protected:
  ~CCTransitionSlideInB() override = default;
};

// [SECTION] Flips and zoom flips

/// The outgoing scene turns away about the vertical axis through its centre
/// in the first half (an orbit of its camera), then the incoming one turns
/// in during the second half. Orientation 0 turns the page to the left, 1 to
/// the right.
class CCTransitionFlipX : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionFlipX, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionFlipX)
  void onEnter() override;

 protected:
  ~CCTransitionFlipX() override = default;
};

/// As the horizontal flip, about the horizontal axis (camera angle X 90).
/// Orientation 0 turns upwards, 1 downwards.
class CCTransitionFlipY : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionFlipY, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionFlipY)
  void onEnter() override;

 protected:
  ~CCTransitionFlipY() override = default;
};

/// As the horizontal flip, about a diagonal axis: camera angle X 45 for the
/// outgoing scene and -45 for the incoming one.
class CCTransitionFlipAngular : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionFlipAngular, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionFlipAngular)
  void onEnter() override;

 protected:
  ~CCTransitionFlipAngular() override = default;
};

/// The horizontal flip with a zoom: the outgoing scene shrinks to half size
/// while it turns away, the incoming one grows from half size while it
/// turns in.
class CCTransitionZoomFlipX : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionZoomFlipX, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionZoomFlipX)
  void onEnter() override;

 protected:
  ~CCTransitionZoomFlipX() override = default;
};

/// The vertical flip with a zoom.
class CCTransitionZoomFlipY : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionZoomFlipY, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionZoomFlipY)
  void onEnter() override;

 protected:
  ~CCTransitionZoomFlipY() override = default;
};

/// The diagonal flip with a zoom.
class CCTransitionZoomFlipAngular : public CCTransitionSceneOriented {
  PLATFORM_CLASS(CCTransitionZoomFlipAngular, CCTransitionSceneOriented)

 public:
  CC_TRANSITION_ORIENTED_FACTORY(CCTransitionZoomFlipAngular)
  void onEnter() override;

 protected:
  ~CCTransitionZoomFlipAngular() override = default;
};

// [SECTION] Fades

/// A layer of one colour (black unless given) fades in over the outgoing
/// scene during the first half; at the middle the scenes swap under it, and
/// it fades out over the incoming scene during the second half.
class CCTransitionFade : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionFade, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionFade)
  /// A fade through `color`.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  /// \param color the colour faded through.
  static CCTransitionFade* transitionWithDuration(float duration, CCScene* scene, ccColor3B color);

  /// initWithDuration(duration, scene, black).
  bool initWithDuration(float duration, CCScene* scene) override;
  /// Stores the colour, then the base initialiser.
  /// \param duration seconds the transition lasts.
  /// \param scene the incoming scene.
  /// \param color the colour faded through.
  virtual bool initWithDuration(float duration, CCScene* scene, ccColor3B color);

  /// The fade colour. Default black.
  ccColor3B color() const { return color_; }

  /// Adds the colour layer (transparent, z 2, tag kSceneFade), hides the
  /// incoming scene and runs fade-in d/2, hideOutShowIn, fade-out d/2,
  /// finish on the layer.
  void onEnter() override;
  /// The base onExit, then removes the colour layer.
  void onExit() override;

 protected:
  ~CCTransitionFade() override = default;

  ccColor3B color_{0, 0, 0};
};

/// The outgoing scene dissolves into the incoming one. Both are drawn once,
/// when the transition starts, into render textures the size of the window;
/// the outgoing picture fades out over the incoming one. The transition's
/// own draw() draws nothing else, so the scenes appear only through the
/// pictures. When the pictures cannot be made (logged) the transition still
/// ends after its duration, without the dissolve.
class CCTransitionCrossFade : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionCrossFade, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionCrossFade)
  /// Draws nothing: the pictures in the colour layer show the scenes.
  void draw() override;
  void onEnter() override;
  /// Removes the colour layer, then the base onExit.
  void onExit() override;

 protected:
  ~CCTransitionCrossFade() override = default;
};

// [SECTION] Tile effects

/// The outgoing scene disappears tile by tile, in random order, over the
/// incoming one, on a grid of 12 rows and as many square-ish columns as the
/// window's aspect gives.
class CCTransitionTurnOffTiles : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionTurnOffTiles, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionTurnOffTiles)
  /// The incoming scene is drawn below.
  void sceneOrder() override;
  void onEnter() override;
  /// The action itself, unchanged.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionTurnOffTiles() override = default;
};

/// The outgoing scene's tiles shrink away from the bottom-left corner to the
/// top-right one (the subclasses: the other way, upwards, downwards) over the
/// incoming scene, on the same grid as the turn-off tiles.
class CCTransitionFadeTR : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionFadeTR, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionFadeTR)
  /// The incoming scene is drawn below.
  void sceneOrder() override;
  void onEnter() override;
  /// The tile fade of this direction over the grid of `size` (autoreleased).
  /// \param size the grid's cells across and up.
  virtual CCActionInterval* actionWithSize(ccGridSize size);
  /// The action itself, unchanged.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionFadeTR() override = default;
};

/// Tiles shrink away from the top-right corner to the bottom-left one.
class CCTransitionFadeBL : public CCTransitionFadeTR {
  PLATFORM_CLASS(CCTransitionFadeBL, CCTransitionFadeTR)

 public:
  CC_TRANSITION_FACTORY(CCTransitionFadeBL)
  CCActionInterval* actionWithSize(ccGridSize size) override;

 protected:
  ~CCTransitionFadeBL() override = default;
};

/// Tiles shrink away row by row from the bottom upwards.
class CCTransitionFadeUp : public CCTransitionFadeTR {
  PLATFORM_CLASS(CCTransitionFadeUp, CCTransitionFadeTR)

 public:
  CC_TRANSITION_FACTORY(CCTransitionFadeUp)
  CCActionInterval* actionWithSize(ccGridSize size) override;

 protected:
  ~CCTransitionFadeUp() override = default;
};

/// Tiles shrink away row by row from the top downwards.
class CCTransitionFadeDown : public CCTransitionFadeTR {
  PLATFORM_CLASS(CCTransitionFadeDown, CCTransitionFadeTR)

 public:
  CC_TRANSITION_FACTORY(CCTransitionFadeDown)
  CCActionInterval* actionWithSize(ccGridSize size) override;

 protected:
  ~CCTransitionFadeDown() override = default;
};

/// The outgoing scene splits into 3 columns that slide out up and down
/// alternately; in the middle the scenes swap and the incoming scene's
/// columns slide back in. Eased in and out with rate 3.
class CCTransitionSplitCols : public CCTransitionScene {
  PLATFORM_CLASS(CCTransitionSplitCols, CCTransitionScene)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSplitCols)
  /// Hides the incoming scene; the transition itself runs the split,
  /// hideOutShowIn, the split reversed, finish and stop-grid.
  void onEnter() override;
  /// The split over half the duration (autoreleased).
  virtual CCActionInterval* action();
  /// Ease-in-out with rate 3.
  /// \param action the transition's action.
  virtual CCActionInterval* easeActionWithAction(CCActionInterval* action);

 protected:
  ~CCTransitionSplitCols() override = default;
};

/// As the column split, with 3 rows sliding out left and right.
class CCTransitionSplitRows : public CCTransitionSplitCols {
  PLATFORM_CLASS(CCTransitionSplitRows, CCTransitionSplitCols)

 public:
  CC_TRANSITION_FACTORY(CCTransitionSplitRows)
  CCActionInterval* action() override;

 protected:
  ~CCTransitionSplitRows() override = default;
};
