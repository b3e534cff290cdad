#include "tessera/CCMenuItem.h"

#include "platform/Assert.h"
#include "platform/Ref.h"

CCMenuItem* CCMenuItem::itemWithTarget(platform::Object* target, const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItem>(
      [&](CCMenuItem& item) { return item.initWithTarget(target, selector); });
}

CCMenuItem* CCMenuItem::itemWithBlock(Block block) {
  return platform::createAutoreleased<CCMenuItem>(
      [&](CCMenuItem& item) { return item.initWithBlock(std::move(block)); });
}

bool CCMenuItem::init() {
  CCAssert(false, "MenuItemInit: Init not supported.");
  return false;
}

bool CCMenuItem::initItem() {
  if (!CCNode::init()) return false;
  setAnchorPoint(CGPointMake(0.5f, 0.5f));
  target_ = nullptr;
  selector_ = platform::Selector();
  block_ = nullptr;
  isEnabled_ = true;
  isSelected_ = false;
  return true;
}

bool CCMenuItem::initWithTarget(platform::Object* target, const platform::Selector& selector) {
  if (!initItem()) return false;
  target_ = target;
  selector_ = selector;
  return true;
}

bool CCMenuItem::initWithBlock(Block block) {
  if (!initItem()) return false;
  block_ = std::move(block);
  return true;
}

void CCMenuItem::activate() {
  if (!isEnabled_) return;
  platform::Ref<CCMenuItem> keepAlive(this);
  if (block_) {
    // A copy: the block may replace or drop the item's own.
    Block block = block_;
    block(this);
    return;
  }
  if (target_ == nullptr || !selector_.hasMethod()) return;
  switch (selector_.kind()) {
    case platform::Selector::Kind::Void:
      selector_(target_);
      break;
    case platform::Selector::Kind::Object:
      selector_(target_, this);
      break;
    case platform::Selector::Kind::ObjectData:
      selector_(target_, this, nullptr);
      break;
    default:
      break;
  }
}

void CCMenuItem::selected() { isSelected_ = true; }

void CCMenuItem::unselected() { isSelected_ = false; }

void CCMenuItem::setIsEnabled(bool enabled) { isEnabled_ = enabled; }

CGRect CCMenuItem::rect() const {
  const CGSize size = contentSize();
  return CGRectMake(position().x - size.width * anchorPoint().x, position().y - size.height * anchorPoint().y,
                    size.width, size.height);
}
