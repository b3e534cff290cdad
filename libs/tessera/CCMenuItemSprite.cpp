#include "tessera/CCMenuItemSprite.h"

#include "platform/Assert.h"

namespace {

CCRGBAProtocol* colorOf(CCNode* image) { return dynamic_cast<CCRGBAProtocol*>(image); }

}  // namespace

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected) {
  return itemFromNormalSprite(normal, selected, nullptr, nullptr, platform::Selector());
}

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected,
                                                         platform::Object* target,
                                                         const platform::Selector& selector) {
  return itemFromNormalSprite(normal, selected, nullptr, target, selector);
}

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled) {
  return itemFromNormalSprite(normal, selected, disabled, nullptr, platform::Selector());
}

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled,
                                                         platform::Object* target,
                                                         const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItemSprite>(
      [&](CCMenuItemSprite& item) { return item.initFromNormalSprite(normal, selected, disabled, target, selector); });
}

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected, Block block) {
  return itemFromNormalSprite(normal, selected, nullptr, std::move(block));
}

CCMenuItemSprite* CCMenuItemSprite::itemFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled,
                                                         Block block) {
  return platform::createAutoreleased<CCMenuItemSprite>([&](CCMenuItemSprite& item) {
    return item.initFromNormalSprite(normal, selected, disabled, std::move(block));
  });
}

bool CCMenuItemSprite::initFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled,
                                            platform::Object* target, const platform::Selector& selector) {
  return initWithTarget(target, selector) && initImages(normal, selected, disabled);
}

bool CCMenuItemSprite::initFromNormalSprite(CCNode* normal, CCNode* selected, CCNode* disabled, Block block) {
  return initWithBlock(std::move(block)) && initImages(normal, selected, disabled);
}

bool CCMenuItemSprite::initImages(CCNode* normal, CCNode* selected, CCNode* disabled) {
  CCAssert(colorOf(normal) != nullptr, "CCMenuItemSprite: the normal image must be a node with the colour protocol");
  if (colorOf(normal) == nullptr) return false;
  setNormalImage(normal);
  setSelectedImage(selected);
  setDisabledImage(disabled);
  return true;
}

void CCMenuItemSprite::replaceImage(platform::Ref<CCNode>& slot, CCNode* image) {
  if (image == slot.get()) return;
  if (image != nullptr && colorOf(image) == nullptr) return;
  if (slot) removeChild(slot.get(), true);
  slot = image;
  if (image != nullptr) {
    image->setAnchorPoint(CGPointZero);
    addChild(image);
  }
  updateImagesVisibility();
}

void CCMenuItemSprite::setNormalImage(CCNode* image) {
  if (image == nullptr) return;  // an item always has a normal image
  replaceImage(normalImage_, image);
  if (normalImage_) setContentSize(normalImage_->contentSize());
}

void CCMenuItemSprite::setSelectedImage(CCNode* image) { replaceImage(selectedImage_, image); }

void CCMenuItemSprite::setDisabledImage(CCNode* image) { replaceImage(disabledImage_, image); }

void CCMenuItemSprite::updateImagesVisibility() {
  CCNode* shown = normalImage_.get();
  if (!isEnabled_ && disabledImage_) {
    shown = disabledImage_.get();
  } else if (isSelected_ && selectedImage_) {
    shown = selectedImage_.get();
  }
  for (CCNode* image : {normalImage_.get(), selectedImage_.get(), disabledImage_.get()}) {
    if (image) image->setVisible(image == shown);
  }
}

void CCMenuItemSprite::selected() {
  CCMenuItem::selected();
  updateImagesVisibility();
}

void CCMenuItemSprite::unselected() {
  CCMenuItem::unselected();
  updateImagesVisibility();
}

void CCMenuItemSprite::setIsEnabled(bool enabled) {
  CCMenuItem::setIsEnabled(enabled);
  updateImagesVisibility();
}

void CCMenuItemSprite::setColor(const ccColor3B& color) {
  for (CCNode* image : {normalImage_.get(), selectedImage_.get(), disabledImage_.get()}) {
    if (CCRGBAProtocol* rgba = colorOf(image)) rgba->setColor(color);
  }
}

ccColor3B CCMenuItemSprite::color() const {
  CCRGBAProtocol* rgba = colorOf(normalImage_.get());
  return rgba ? rgba->color() : ccWHITE;
}

GLubyte CCMenuItemSprite::opacity() const {
  CCRGBAProtocol* rgba = colorOf(normalImage_.get());
  return rgba ? rgba->opacity() : 255;
}

void CCMenuItemSprite::setOpacity(GLubyte opacity) {
  for (CCNode* image : {normalImage_.get(), selectedImage_.get(), disabledImage_.get()}) {
    if (CCRGBAProtocol* rgba = colorOf(image)) rgba->setOpacity(opacity);
  }
}
