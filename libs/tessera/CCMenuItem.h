#pragma once
// CCMenuItem: the base of the items a CCMenu holds. An item is a node with an
// action to run when it is activated (a target and selector, or a callable),
// and two flags: enabled (default) and selected (while a finger presses it).

#include "platform/Selector.h"
#include "tessera/CCNode.h"

#include <cstdint>
#include <functional>

/// The tag of a label item's zoom action.
inline constexpr std::int32_t kCCZoomActionTag = static_cast<std::int32_t>(0xC0C05002);
/// The tag of a toggle's visible sub-item.
inline constexpr std::int32_t kCCCurrentItemTag = static_cast<std::int32_t>(0xC0C05001);

/// The base of the items a CCMenu holds. An item is a node with an action to run
/// when it is activated (a target and selector, or a callable), and two flags:
/// enabled (default) and selected (while a finger presses it).
///
/// The menu tells the item under the finger selected() and unselected(), and
/// activate() when the touch ends on it. A disabled item does nothing when
/// activated, and the menu never picks it.
///
/// The target of a target-and-selector action is not retained: it is usually
/// the layer that holds the menu, and retaining it would make a cycle. It must
/// outlive the item (or the action must be changed). The selector takes no
/// argument or the item.
///
/// Main thread only.
class CCMenuItem : public CCNode {
  PLATFORM_CLASS(CCMenuItem, CCNode)

 public:
  using Block = std::function<void(CCMenuItem* sender)>;

  // [SECTION] Creation

  /// A new autoreleased item that calls `selector` on `target` when
  /// activated (either may be null: then activation calls nothing).
  /// \param target the object to call (not retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector().
  static CCMenuItem* itemWithTarget(platform::Object* target, const platform::Selector& selector);
  /// A new autoreleased item that calls `block` with itself when activated.
  /// \param block the function to call.
  static CCMenuItem* itemWithBlock(Block block);

  /// Not supported: init() fails (see below).
  CC_NODE_FACTORY(CCMenuItem)

  CCMenuItem() = default;

  /// Not supported: fails "MenuItemInit: Init not supported." and returns
  /// false.
  bool init() override;
  /// Node defaults, anchor point (0.5, 0.5), enabled, not selected, and the
  /// action.
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector);
  virtual bool initWithBlock(Block block);

  // [SECTION] Behaviour

  /// Runs the action when enabled. The item stays alive for the length of
  /// the call, so the action may remove the item or its menu.
  virtual void activate();
  /// The finger is on the item.
  virtual void selected();
  /// The finger left the item, or the touch ended.
  virtual void unselected();

  bool isEnabled() const { return isEnabled_; }
  virtual void setIsEnabled(bool enabled);
  bool isSelected() const { return isSelected_; }

  /// The item's area in its parent: (position − content size × anchor
  /// point, content size).
  CGRect rect() const;

 protected:
  /// The shared part of the initialisers: node init and the item's defaults.
  bool initItem();

  platform::Object* target_ = nullptr;  // not retained
  platform::Selector selector_;
  Block block_;
  bool isEnabled_ = false;
  bool isSelected_ = false;
};
