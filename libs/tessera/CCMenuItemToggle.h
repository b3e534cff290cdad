#pragma once
// CCMenuItemToggle: a menu item that cycles through sub-items (each itself a
// menu item) and shows one of them. Activating it shows the next one
// (wrapping round) before its action runs, so the action sees the new
// selectedIndex(). The visible sub-item is a child tagged kCCCurrentItemTag,
// centred in the toggle, which takes its content size. Pressing, enabling,
// colour and opacity are passed on to the sub-items.
//
// Main thread only.

#include "platform/Ref.h"
#include "tessera/CCMenuItem.h"
#include "tessera/CCProtocols.h"
#include "tessera/Support/CCArray.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

class CCMenuItemToggle : public CCMenuItem, public CCRGBAProtocol {
  PLATFORM_CLASS(CCMenuItemToggle, CCMenuItem)

 public:
  /// A new autoreleased toggle of `items` (up to the first null one),
  /// showing the first. Fails "CCMenuItemToggle: needs at least one item"
  /// and gives nullptr without items.
  static CCMenuItemToggle* itemWithTarget(platform::Object* target, const platform::Selector& selector,
                                          std::initializer_list<CCMenuItem*> items);
  static CCMenuItemToggle* itemWithBlock(Block block, std::initializer_list<CCMenuItem*> items);

  CCMenuItemToggle() = default;

  using CCMenuItem::initWithBlock;
  using CCMenuItem::initWithTarget;
  virtual bool initWithTarget(platform::Object* target, const platform::Selector& selector,
                              const std::vector<CCMenuItem*>& items);
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
