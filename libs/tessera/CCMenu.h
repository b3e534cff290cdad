#pragma once
// CCMenu: a full-screen layer whose children are menu items, with the
// touches that press and activate them, and layouts for the items.

#include "tessera/CCLayer.h"
#include "tessera/CCMenuItem.h"
#include "tessera/CCProtocols.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

/// The touch priority of menus: before every layer of priority 0.
inline constexpr std::int32_t kCCMenuTouchPriority = -128;

/// Whether a menu is waiting for a touch or tracking one over its items.
enum tCCMenuState : int {
  kCCMenuStateWaiting = 0,
  kCCMenuStateTrackingTouch = 1,
};

/// A full-screen layer whose children are menu items, with the touches that
/// press and activate them, and layouts for the items.
///
/// Touches: the menu is a targeted touch delegate of priority
/// kCCMenuTouchPriority (−128, ahead of ordinary layers at 0) that swallows the
/// touches it claims. It claims a touch that begins on a visible, enabled item
/// while it is shown (it and all its ancestors visible) and not already
/// tracking a touch; the item under the finger is selected while the touch
/// moves, and the one under it when the touch ends is activated once. A touch
/// that begins elsewhere is left to lower-priority delegates.
///
/// Position: the menu's centre is the window's centre less the status bar
/// (with the anchor point ignored, its origin is that point), so items placed
/// at (0, 0) sit in the middle of the screen. The alignment operations place
/// items relative to it:
///  - alignItemsVertically / Horizontally: one column or row, centred, items
///    (scaled) separated by the padding (default 5);
///  - alignItemsInColumns({2, 1, ...}): rows of the given numbers of items,
///    spread evenly over the window's width, rows 5 points apart;
///  - alignItemsInRows({3, 2, ...}): columns of the given numbers of items,
///    each centred vertically, columns 5 points apart.
/// The grid layouts measure with 5-point gaps and place with 10-point ones, so
/// a grid is not exactly centred; that is kept because laid-out screens rely
/// on it. A list of counts that does not match the number of items fails an
/// assertion and moves nothing.
///
/// Colour and opacity are stored and passed to every item.
///
/// Main thread only.
class CCMenu : public CCLayer, public CCRGBAProtocol {
  PLATFORM_CLASS(CCMenu, CCLayer)

 public:
  // [SECTION] Creation

  /// A new autoreleased menu of `items` (up to the first null one), in that
  /// order with z 0, 1, 2, ...
  /// \param items the items, top to bottom of the z order.
  static CCMenu* menuWithItems(std::initializer_list<CCMenuItem*> items);

  /// Not supported: init() fails (see below).
  CC_NODE_FACTORY(CCMenu)

  CCMenu() = default;

  /// Not supported: fails "CCMenu: Init not supported." and returns false.
  bool init() override;
  /// Layer defaults with touches on, the size of the window, placed at the
  /// centre of the screen below the status bar, then the items as children.
  /// \param items the items, up to the first null one.
  virtual bool initWithItems(const std::vector<CCMenuItem*>& items);

  // [SECTION] Children

  using CCNode::addChild;
  /// Only menu items: anything else fails "Menu only supports MenuItem
  /// objects as children" and is not added.
  /// \param child a CCMenuItem.
  /// \param z the item's z order.
  /// \param tag the item's tag.
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override;
  /// A removed item that is being pressed stops being tracked.
  void removeChild(CCNode* child, bool cleanup) override;
  void removeAllChildrenWithCleanup(bool cleanup) override;

  // [SECTION] Alignment

  /// alignItemsVerticallyWithPadding(5).
  void alignItemsVertically();
  /// Stacks the items top to bottom in one column centred on the menu's
  /// origin, each centred horizontally on x = 0 (scaled sizes count).
  /// \param padding points between neighbouring items.
  void alignItemsVerticallyWithPadding(float padding);
  /// alignItemsHorizontallyWithPadding(5).
  void alignItemsHorizontally();
  /// Lines the items up left to right in one row centred on the menu's
  /// origin, each centred vertically on y = 0 (scaled sizes count).
  /// \param padding points between neighbouring items.
  void alignItemsHorizontallyWithPadding(float padding);
  /// Rows of items, top to bottom: `columns[i]` items on row i.
  /// \param columns how many items each row holds. Expects positive counts and
  ///   rows enough for every item ("Too many menu items for the amount of
  ///   rows/columns."); otherwise nothing moves.
  void alignItemsInColumns(const std::vector<int>& columns);
  /// Columns of items, left to right: `rows[i]` items in column i.
  /// \param rows how many items each column holds. Expects positive counts and
  ///   columns enough for every item; otherwise nothing moves.
  void alignItemsInRows(const std::vector<int>& rows);

  // [SECTION] Touches

  void registerWithTouchDispatcher() override;
  unsigned touchSelectorMask() const override;
  bool ccTouchBegan(platform::Touch* touch, platform::Event* event) override;
  void ccTouchMoved(platform::Touch* touch, platform::Event* event) override;
  void ccTouchEnded(platform::Touch* touch, platform::Event* event) override;
  void ccTouchCancelled(platform::Touch* touch, platform::Event* event) override;
  /// The first visible, enabled item whose area contains the touch, or null.
  /// \param touch a touch on the screen.
  CCMenuItem* itemForTouch(platform::Touch* touch) const;

  /// Ends a touch being tracked (the item is unselected, not activated).
  void onExit() override;

  int state() const { return state_; }
  /// The item under the tracked touch (not retained), or null.
  CCMenuItem* selectedItem() const { return selectedItem_; }

  // [SECTION] Colour

  void setColor(const ccColor3B& color) override;
  ccColor3B color() const override { return color_; }
  GLubyte opacity() const override { return opacity_; }
  void setOpacity(GLubyte opacity) override;

 private:
  bool isShown() const;

  int state_ = kCCMenuStateWaiting;
  CCMenuItem* selectedItem_ = nullptr;  // a child, so alive while set
  GLubyte opacity_ = 255;
  ccColor3B color_ = ccWHITE;
};
