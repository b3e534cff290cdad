#pragma once
// Grid actions: the bases of the effects that deform a node's picture through
// its grid (CCGridBase), the amplitude wrappers that scale an effect over
// time, and the instant actions that switch a grid off or mark it for reuse.
//
// A grid action, when it starts, attaches a new grid of its size to the
// target node and activates it (deactivating an active grid the node had),
// or, when the node's grid is marked for reuse (CCReuseGrid), takes that grid
// over with its current deformation as the undeformed state. Each update the
// effect recomputes every vertex or tile from the undeformed state. When the
// action ends the grid stays attached and active, showing the last
// deformation, until CCStopGrid switches it off or another grid action
// replaces it. Effects touch the target's grid only while it is of the kind
// and size they were made for: a node whose grid was replaced by a different
// one is left alone.
//
// Cost: starting makes a grid (one window-sized texture and a frame buffer)
// unless one is reused; an update writes every vertex or tile in place and
// allocates nothing.

// [SECTION] CCGridAction, CCGrid3DAction, CCTiledGrid3DAction
// [SECTION] Amplitude wrappers: CCAccelDeccelAmplitude, CCAccelAmplitude, CCDeccelAmplitude
// [SECTION] Instant grid actions: CCStopGrid, CCReuseGrid

#include "platform/Ref.h"
#include "tessera/CCActionInstant.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCGrid3D.h"
#include "tessera/CCGridBase.h"
#include "tessera/CCTiledGrid3D.h"
#include "tessera/ccTypes.h"

class CCNode;

/// Declares `static Class* actionWithSize(ccGridSize, float)` building a
/// Class (a static factory is not inherited as "the receiving class").
#define CC_GRID_ACTION_FACTORY(Class)                                                           \
  /** A new autoreleased effect. \param gridSize cells across and up.                           \
      \param duration seconds the effect lasts. */                                              \
  static Class* actionWithSize(ccGridSize gridSize, float duration) {                           \
    return createAction<Class>([&](Class& a) { return a.initWithSize(gridSize, duration); });   \
  }

// [SECTION] CCGridAction, CCGrid3DAction, CCTiledGrid3DAction

/// The base of grid effects: an interval action with a grid size.
class CCGridAction : public CCActionInterval {
  PLATFORM_CLASS(CCGridAction, CCActionInterval)

 public:
  CC_GRID_ACTION_FACTORY(CCGridAction)
  /// Grid actions need a grid size: use actionWithSize().
  static CCGridAction* actionWithDuration(float duration) = delete;

  /// Interval init with `duration`, then stores the grid size.
  virtual bool initWithSize(ccGridSize gridSize, float duration);
  using CCActionInterval::initWithDuration;

  /// A new action of the same class (count 1) with the same grid size and
  /// duration. No tag.
  CCGridAction* copy() const override;
  /// A CCReverseTime around a copy of this action: the effect played
  /// backwards (a copy, so the action and its reverse can run at once).
  CCFiniteTimeAction* reverse() const override;

  /// Interval start, then attaches the grid (see the file comment). Throws
  /// platform::Exception "GridBase" / "Cannot reuse grid" when the node's
  /// grid is marked for reuse but is inactive, of another size or not of the
  /// kind grid() makes. A grid that cannot be made is logged and the node
  /// is left without one. Targets other than nodes are left alone.
  void startWithTarget(platform::Object* target) override;

  /// A new autoreleased grid of gridSize() of the kind this effect works on,
  /// or nullptr when it cannot be made. The base class throws
  /// platform::Exception "GridBase" / "Abstract class needs implementation".
  virtual CCGridBase* grid();

  /// Cells across and up of the grid the action works on.
  ccGridSize gridSize() const { return gridSize_; }
  void setGridSize(ccGridSize gridSize) { gridSize_ = gridSize; }

 protected:
  ~CCGridAction() override = default;

  /// Makes a T, runs `init` and returns it autoreleased; nullptr when `init`
  /// returns false. An exception from `init` releases the object first.
  template <class T, class Init>
  static T* createAction(Init&& init) {
    platform::Ref<T> action = platform::Ref<T>::adopt(new T());
    if (!init(*action)) return nullptr;
    return platform::autoreleased(action.detach());
  }

  /// The target as a node while the action runs, or nullptr.
  CCNode* targetNode() const;

  ccGridSize gridSize_;
  CCNode* targetNode_ = nullptr;  // weak: target_ as a node, found at start
};

/// The base of effects on a CCGrid3D: one surface of (X + 1) × (Y + 1)
/// shared vertices.
class CCGrid3DAction : public CCGridAction {
  PLATFORM_CLASS(CCGrid3DAction, CCGridAction)

 public:
  CC_GRID_ACTION_FACTORY(CCGrid3DAction)

  /// A new autoreleased CCGrid3D of gridSize() over a window-sized texture.
  CCGridBase* grid() override;
  /// Forgets the grid it worked on, then the interval stop.
  void stop() override;

  /// The vertex at corner `position` (0...X, 0...Y; not checked) of the
  /// target's grid; all zero when the target has no CCGrid3D of gridSize().
  /// \param position the corner (0...X, 0...Y).
  ccVertex3F vertex(ccGridSize position) const;
  /// The undeformed vertex at corner `position`, as vertex().
  /// \param position the corner (0...X, 0...Y).
  ccVertex3F originalVertex(ccGridSize position) const;
  /// Moves the vertex at corner `position`; nothing without a grid, as vertex().
  void setVertex(ccGridSize position, ccVertex3F vertex);

 protected:
  ~CCGrid3DAction() override = default;

  /// The target's grid when it is a CCGrid3D of gridSize(), else nullptr.
  /// The kind check is remembered per grid, so effects may ask per vertex.
  CCGrid3D* targetGrid() const;

 private:
  mutable platform::Ref<CCGridBase> checkedGrid_;  // retained, so its address cannot come back as another grid
  mutable CCGrid3D* checkedGrid3D_ = nullptr;      // checkedGrid_ when it is a CCGrid3D
};

/// The base of effects on a CCTiledGrid3D: X × Y separate tiles.
class CCTiledGrid3DAction : public CCGridAction {
  PLATFORM_CLASS(CCTiledGrid3DAction, CCGridAction)

 public:
  CC_GRID_ACTION_FACTORY(CCTiledGrid3DAction)

  /// A new autoreleased CCTiledGrid3D of gridSize() over a window-sized texture.
  CCGridBase* grid() override;
  /// Forgets the grid it worked on, then the interval stop.
  void stop() override;

  /// The quad of tile `position` (0...X − 1, 0...Y − 1; not checked) of the
  /// target's grid; all zero when the target has no CCTiledGrid3D of gridSize().
  ccQuad3 tile(ccGridSize position) const;
  /// The undeformed quad of tile `position`, as tile().
  ccQuad3 originalTile(ccGridSize position) const;
  /// Moves the four corners of tile `position`; nothing without a grid, as tile().
  void setTile(ccGridSize position, const ccQuad3& coords);

 protected:
  ~CCTiledGrid3DAction() override = default;

  /// The target's grid when it is a CCTiledGrid3D of gridSize(), else
  /// nullptr. The kind check is remembered per grid, so effects may ask per tile.
  CCTiledGrid3D* targetGrid() const;

 private:
  mutable platform::Ref<CCGridBase> checkedGrid_;  // retained, so its address cannot come back as another grid
  mutable CCTiledGrid3D* checkedTiledGrid_ = nullptr;  // checkedGrid_ when it is a CCTiledGrid3D
};

// [SECTION] Amplitude wrappers

/// Runs an amplitude-carrying effect over its own duration with the
/// amplitude rate rising from 0 to 1 at half time and falling back to 0:
/// f = 2t, folded back above 1 (f = 2 − 2t), rate = f^rate(). Each update
/// sets the inner action's amplitude rate, then updates it with t unchanged.
/// The inner action must carry an amplitude (otherwise its setAmplitudeRate()
/// throws "IntervalAction (Amplitude)").
class CCAccelDeccelAmplitude : public CCActionInterval {
  PLATFORM_CLASS(CCAccelDeccelAmplitude, CCActionInterval)

 public:
  /// A new autoreleased wrapper of `action` (retained) lasting `duration`
  /// seconds (not the inner action's duration). nullptr, logged, without an action.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  static CCAccelDeccelAmplitude* actionWithAction(CCActionInterval* action, float duration);
  static CCAccelDeccelAmplitude* actionWithDuration(float duration) = delete;

  /// Interval init with `duration`, retains `action`, rate 1. False and
  /// logged when `action` is nullptr.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  virtual bool initWithAction(CCActionInterval* action, float duration);
  using CCActionInterval::initWithDuration;

  /// Same class around a copy of the inner action, same duration and rate. No tag.
  CCAccelDeccelAmplitude* copy() const override;
  /// Same class around the inner action's reverse, same duration; nullptr
  /// when the inner action has no interval reverse.
  CCAccelDeccelAmplitude* reverse() const override;

  /// Interval start, then starts the inner action on the same target.
  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// The exponent of the amplitude curve. Default 1.
  float rate() const { return rate_; }
  void setRate(float rate) { rate_ = rate; }
  /// The wrapped action (retained).
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCAccelDeccelAmplitude() override = default;

  float rate_ = 1.0f;
  platform::Ref<CCActionInterval> other_;  // retained
};

/// As CCAccelDeccelAmplitude with the amplitude rate t^rate(): the effect
/// grows from nothing to full strength.
class CCAccelAmplitude : public CCActionInterval {
  PLATFORM_CLASS(CCAccelAmplitude, CCActionInterval)

 public:
  /// A new autoreleased wrapper of `action` (retained); nullptr, logged, without one.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  static CCAccelAmplitude* actionWithAction(CCActionInterval* action, float duration);
  static CCAccelAmplitude* actionWithDuration(float duration) = delete;

  /// Interval init with `duration`, retains `action`, rate 1. False and logged
  /// when `action` is nullptr.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  virtual bool initWithAction(CCActionInterval* action, float duration);
  using CCActionInterval::initWithDuration;

  CCAccelAmplitude* copy() const override;
  CCAccelAmplitude* reverse() const override;

  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// The exponent of the amplitude curve. Default 1.
  float rate() const { return rate_; }
  void setRate(float rate) { rate_ = rate; }
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCAccelAmplitude() override = default;

  float rate_ = 1.0f;
  platform::Ref<CCActionInterval> other_;  // retained
};

/// As CCAccelDeccelAmplitude with the amplitude rate (1 − t)^rate(): the
/// effect dies away from full strength.
class CCDeccelAmplitude : public CCActionInterval {
  PLATFORM_CLASS(CCDeccelAmplitude, CCActionInterval)

 public:
  /// A new autoreleased wrapper of `action` (retained); nullptr, logged, without one.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  static CCDeccelAmplitude* actionWithAction(CCActionInterval* action, float duration);
  static CCDeccelAmplitude* actionWithDuration(float duration) = delete;

  /// Interval init with `duration`, retains `action`, rate 1. False and logged
  /// when `action` is nullptr.
  /// \param action the grid effect whose amplitude is eased (it must have an
  ///   amplitude).
  /// \param duration seconds the wrapper lasts.
  virtual bool initWithAction(CCActionInterval* action, float duration);
  using CCActionInterval::initWithDuration;

  CCDeccelAmplitude* copy() const override;
  CCDeccelAmplitude* reverse() const override;

  void startWithTarget(platform::Object* target) override;
  void update(float t) override;

  /// The exponent of the amplitude curve. Default 1.
  float rate() const { return rate_; }
  void setRate(float rate) { rate_ = rate; }
  CCActionInterval* innerAction() const { return other_.get(); }

 protected:
  ~CCDeccelAmplitude() override = default;

  float rate_ = 1.0f;
  platform::Ref<CCActionInterval> other_;  // retained
};

// [SECTION] Instant grid actions

/// On start: switches the target node's grid off when it is active (the
/// node draws plainly again; the grid stays attached).
class CCStopGrid : public CCActionInstant {
  PLATFORM_CLASS(CCStopGrid, CCActionInstant)

 public:
  /// A new autoreleased CCStopGrid.
  static CCStopGrid* action();

  void startWithTarget(platform::Object* target) override;

 protected:
  ~CCStopGrid() override = default;
};

/// On start: lets `times` more grid actions take over the target node's grid
/// as it is (adds `times` to its reuseGrid()), when the node has an active grid.
class CCReuseGrid : public CCActionInstant {
  PLATFORM_CLASS(CCReuseGrid, CCActionInstant)

 public:
  /// A new autoreleased CCReuseGrid.
  /// \param times how many following grid actions reuse the grid.
  static CCReuseGrid* actionWithTimes(int times);
  static CCReuseGrid* action() = delete;

  /// Instant init, then stores `times`.
  /// \param times how many following grid actions reuse the grid.
  virtual bool initWithTimes(int times);

  /// Same class, same times. No tag.
  CCReuseGrid* copy() const override;

  void startWithTarget(platform::Object* target) override;

  int times() const { return t_; }

 protected:
  ~CCReuseGrid() override = default;

  int t_ = 0;
};
