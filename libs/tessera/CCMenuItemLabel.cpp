#include "tessera/CCMenuItemLabel.h"

#include "platform/Assert.h"
#include "tessera/CCScaleTo.h"

namespace {

constexpr float kZoomDuration = 0.1f;
constexpr float kZoomFactor = 1.2f;

bool hasLabelProtocols(CCNode* label) {
  return dynamic_cast<CCLabelProtocol*>(label) != nullptr && dynamic_cast<CCRGBAProtocol*>(label) != nullptr;
}

}  // namespace

CCMenuItemLabel* CCMenuItemLabel::itemWithLabel(CCNode* label, platform::Object* target,
                                                const platform::Selector& selector) {
  return platform::createAutoreleased<CCMenuItemLabel>(
      [&](CCMenuItemLabel& item) { return item.initWithLabel(label, target, selector); });
}

CCMenuItemLabel* CCMenuItemLabel::itemWithLabel(CCNode* label, Block block) {
  return platform::createAutoreleased<CCMenuItemLabel>(
      [&](CCMenuItemLabel& item) { return item.initWithLabel(label, std::move(block)); });
}

CCMenuItemLabel* CCMenuItemLabel::itemWithLabel(CCNode* label) {
  return itemWithLabel(label, nullptr, platform::Selector());
}

bool CCMenuItemLabel::initWithLabel(CCNode* label, platform::Object* target, const platform::Selector& selector) {
  if (!CCMenuItem::initWithTarget(target, selector)) return false;
  return initLabelItem(label);
}

bool CCMenuItemLabel::initWithLabel(CCNode* label, Block block) {
  if (!CCMenuItem::initWithBlock(std::move(block))) return false;
  return initLabelItem(label);
}

bool CCMenuItemLabel::initLabelItem(CCNode* label) {
  CCAssert(hasLabelProtocols(label), "CCMenuItemLabel: the label must have the label and colour protocols");
  if (!hasLabelProtocols(label)) return false;
  colorBackup_ = ccWHITE;
  disabledColor_ = ccColor3B{126, 126, 126};
  originalScale_ = 1.0f;
  setLabel(label);
  return true;
}

void CCMenuItemLabel::setLabel(CCNode* label) {
  if (label == label_.get() || !hasLabelProtocols(label)) return;
  if (label_) removeChild(label_.get(), true);
  addChild(label);
  label_ = label;
  labelText_ = dynamic_cast<CCLabelProtocol*>(label);
  labelColor_ = dynamic_cast<CCRGBAProtocol*>(label);
  label->setAnchorPoint(CGPointZero);
  setContentSize(label->contentSize());
}

void CCMenuItemLabel::setString(const std::string& text) {
  if (!labelText_) return;
  labelText_->setString(text);
  setContentSize(label_->contentSize());
}

void CCMenuItemLabel::activate() {
  if (!isEnabled_) return;
  stopAllActions();
  setScale(originalScale_);
  CCMenuItem::activate();
}

void CCMenuItemLabel::selected() {
  if (!isEnabled_) return;
  CCMenuItem::selected();
  // While a zoom is still running the scale is part-way; the scale to come
  // back to is the one remembered when the zoom began.
  if (CCAction* zoom = getActionByTag(kCCZoomActionTag)) {
    stopAction(zoom);
  } else {
    originalScale_ = scale();
  }
  CCAction* zoomIn = CCScaleTo::actionWithDuration(kZoomDuration, originalScale_ * kZoomFactor);
  zoomIn->setTag(kCCZoomActionTag);
  runAction(zoomIn);
}

void CCMenuItemLabel::unselected() {
  if (!isEnabled_) return;
  CCMenuItem::unselected();
  stopActionByTag(kCCZoomActionTag);
  CCAction* zoomOut = CCScaleTo::actionWithDuration(kZoomDuration, originalScale_);
  zoomOut->setTag(kCCZoomActionTag);
  runAction(zoomOut);
}

void CCMenuItemLabel::setIsEnabled(bool enabled) {
  if (isEnabled_ != enabled && labelColor_) {
    if (!enabled) {
      colorBackup_ = labelColor_->color();
      labelColor_->setColor(disabledColor_);
    } else {
      labelColor_->setColor(colorBackup_);
    }
  }
  CCMenuItem::setIsEnabled(enabled);
}

void CCMenuItemLabel::setColor(const ccColor3B& color) {
  if (labelColor_) labelColor_->setColor(color);
}

ccColor3B CCMenuItemLabel::color() const { return labelColor_ ? labelColor_->color() : ccWHITE; }

GLubyte CCMenuItemLabel::opacity() const { return labelColor_ ? labelColor_->opacity() : 255; }

void CCMenuItemLabel::setOpacity(GLubyte opacity) {
  if (labelColor_) labelColor_->setOpacity(opacity);
}
