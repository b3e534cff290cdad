#include "tessera/CCMenuItemToggle.h"

#include "platform/Assert.h"

CCMenuItemToggle* CCMenuItemToggle::itemWithTarget(platform::Object* target, const platform::Selector& selector,
                                                   std::initializer_list<CCMenuItem*> items) {
  const std::vector<CCMenuItem*> list(items);
  return platform::createAutoreleased<CCMenuItemToggle>(
      [&](CCMenuItemToggle& toggle) { return toggle.initWithTarget(target, selector, list); });
}

CCMenuItemToggle* CCMenuItemToggle::itemWithBlock(Block block, std::initializer_list<CCMenuItem*> items) {
  const std::vector<CCMenuItem*> list(items);
  return platform::createAutoreleased<CCMenuItemToggle>(
      [&](CCMenuItemToggle& toggle) { return toggle.initWithBlock(std::move(block), list); });
}

bool CCMenuItemToggle::initWithTarget(platform::Object* target, const platform::Selector& selector,
                                      const std::vector<CCMenuItem*>& items) {
  return CCMenuItem::initWithTarget(target, selector) && initItems(items);
}

bool CCMenuItemToggle::initWithBlock(Block block, const std::vector<CCMenuItem*>& items) {
  return CCMenuItem::initWithBlock(std::move(block)) && initItems(items);
}

bool CCMenuItemToggle::initItems(const std::vector<CCMenuItem*>& items) {
  std::vector<CCMenuItem*> list;
  for (CCMenuItem* item : items) {
    if (item == nullptr) break;
    list.push_back(item);
  }
  CCAssert(!list.empty(), "CCMenuItemToggle: needs at least one item");
  if (list.empty()) return false;
  subItems_ = CCArray::arrayWithCapacity(2);
  for (CCMenuItem* item : list) subItems_->addObject(item);
  opacity_ = 255;
  color_ = ccWHITE;
  selectedIndex_ = UINT32_MAX;
  setSelectedIndex(0);
  return true;
}

void CCMenuItemToggle::setSelectedIndex(std::uint32_t index) {
  const std::uint32_t count = subItems_ ? subItems_->count() : 0;
  CCAssert(index < count, "CCMenuItemToggle: index out of range");
  if (index >= count || index == selectedIndex_) return;
  selectedIndex_ = index;
  removeChildByTag(kCCCurrentItemTag, false);
  auto* item = subItems_->objectAt<CCMenuItem>(index);
  addChild(item, 0, kCCCurrentItemTag);
  const CGSize size = item->contentSize();
  setContentSize(size);
  item->setPosition(CGPointMake(size.width / 2, size.height / 2));
}

CCMenuItem* CCMenuItemToggle::selectedItem() const {
  if (!subItems_ || selectedIndex_ >= subItems_->count()) return nullptr;
  return subItems_->objectAt<CCMenuItem>(selectedIndex_);
}

void CCMenuItemToggle::activate() {
  if (isEnabled_ && subItems_ && subItems_->count() > 0) {
    setSelectedIndex((selectedIndex_ + 1) % subItems_->count());
  }
  CCMenuItem::activate();
}

void CCMenuItemToggle::selected() {
  CCMenuItem::selected();
  if (CCMenuItem* item = selectedItem()) item->selected();
}

void CCMenuItemToggle::unselected() {
  CCMenuItem::unselected();
  if (CCMenuItem* item = selectedItem()) item->unselected();
}

void CCMenuItemToggle::setIsEnabled(bool enabled) {
  CCMenuItem::setIsEnabled(enabled);
  if (!subItems_) return;
  for (platform::Object* item : *subItems_) static_cast<CCMenuItem*>(item)->setIsEnabled(enabled);
}

void CCMenuItemToggle::setColor(const ccColor3B& color) {
  color_ = color;
  if (!subItems_) return;
  for (platform::Object* item : *subItems_) {
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(item)) rgba->setColor(color);
  }
}

void CCMenuItemToggle::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  if (!subItems_) return;
  for (platform::Object* item : *subItems_) {
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(item)) rgba->setOpacity(opacity);
  }
}
