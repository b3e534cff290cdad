#pragma once
// CCMenuItemToggle: a menu item that cycles through sub-items (each itself a
// menu item) and shows one of them. Activating it shows the next one
// (wrapping round) before its action runs, so the action sees the new
// selectedIndex(). The visible sub-item is a child tagged kCCCurrentItemTag,
// centred in the toggle, which takes its content size. Pressing, enabling,
// colour and opacity are passed on to the sub-items.

#include "platform/Ref.h"
#include "tessera/CCMenuItem.h"
#include "tessera/CCProtocols.h"
#include "tessera/Support/CCArray.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

/// A menu item that cycles through sub-items (each itself a menu item) and shows
/// one of them. Activating it shows the next one (wrapping round) before its
/// action runs, so the action sees the new selectedIndex(). The visible sub-item
/// is a child tagged kCCCurrentItemTag, centred in the toggle, which takes its
/// content size. Pressing, enabling, colour and opacity are passed on to the
/// sub-items.
///
/// Main thread only.
class CCMenuItemToggle : public CCMenuItem, public CCRGBAProtocol {
  PLATFORM_CLASS(CCMenuItemToggle, CCMenuItem)

 public:
  /// A new autoreleased toggle of `items` (up to the first null one),
  /// showing the first. Fails "CCMenuItemToggle: needs at least one item"
  /// and gives nullptr without items.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector(); it is called after the toggle moved on.
  /// \param items the sub-items, shown one at a time in this order.
  static CCMenuItemToggle* itemWithTarget(platform::Object* target, const platform::Selector& selector,
                                          std::initializer_list<CCMenuItem*> items);
  /// As itemWithTarget(), calling `block` instead.
  /// \param block the function to call with the item when it is activated.
  /// \param items the sub-items, shown one at a time in this order.
  static CCMenuItemToggle* itemWithBlock(Block block, std::initializer_list<CCMenuItem*> items);

  CCMenuItemToggle() = default;

  using CCMenuItem::initWithBlock;
  using CCMenuItem::initWithTarget;
  /// Item init, then the sub-items (up to the first null one), showing the
  /// first. False without items.
  /// \param target the object to call when the item is activated (not
  ///   retained), or nullptr.
  /// \param selector a void(CCMenuItem*) method of `target`, made with
  ///   menu_selector(); it is called after the toggle moved on.
  /// \param items the sub-items, shown one at a time in this order.
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector,
                              const std::vector<CCMenuItem*>& items);
  /// As initWithTarget(), calling `block` instead.
  /// \param block the function to call with the item when it is activated.
  /// \param items the sub-items, shown one at a time in this order.
  virtual bool initWithBlock(Block block, const std::vector<CCMenuItem*>& items);

  // [SECTION] Sub-items

  std::uint32_t selectedIndex() const { return selectedIndex_; }
  /// Shows sub-item `index` (nothing changes when it is already shown). An
  /// index out of range fails "CCMenuItemToggle: index out of range" and
  /// changes nothing.
  void setSelectedIndex(std::uint32_t index);
  /// The visible sub-item.
  CCMenuItem* selectedItem() const;
  CCArray* subItems() const { return subItems_.get(); }

  // [SECTION] Behaviour

  void activate() override;
  void selected() override;
  void unselected() override;
  void setIsEnabled(bool enabled) override;

  // [SECTION] Colour (stored, and passed to every sub-item)

  void setColor(const ccColor3B& color) override;
  ccColor3B color() const override { return color_; }
  GLubyte opacity() const override { return opacity_; }
  void setOpacity(GLubyte opacity) override;

 private:
  bool initItems(const std::vector<CCMenuItem*>& items);

  platform::Ref<CCArray> subItems_;
  std::uint32_t selectedIndex_ = UINT32_MAX;
  GLubyte opacity_ = 255;
  ccColor3B color_ = ccWHITE;
};
