#include "tessera/CCSpriteFrame.h"

#include "tessera/CCTexture2D.h"
#include "tessera/ccMacros.h"

#include <cstdio>

// [SECTION] Creation

CCSpriteFrame* CCSpriteFrame::frameWithTexture(CCTexture2D* texture, CGRect rect) {
  return platform::createAutoreleased<CCSpriteFrame>(
      [&](CCSpriteFrame& frame) { return frame.initWithTexture(texture, rect); });
}

CCSpriteFrame* CCSpriteFrame::frameWithTexture(CCTexture2D* texture, CGRect rectInPixels, bool rotated,
                                               CGPoint offsetInPixels, CGSize originalSizeInPixels) {
  return platform::createAutoreleased<CCSpriteFrame>([&](CCSpriteFrame& frame) {
    return frame.initWithTexture(texture, rectInPixels, rotated, offsetInPixels, originalSizeInPixels);
  });
}

bool CCSpriteFrame::initWithTexture(CCTexture2D* texture, CGRect rect) {
  const CGRect rectInPixels = ccRectPointsToPixels(rect);
  return initWithTexture(texture, rectInPixels, false, CGPointZero, rectInPixels.size);
}

bool CCSpriteFrame::initWithTexture(CCTexture2D* texture, CGRect rectInPixels, bool rotated,
                                    CGPoint offsetInPixels, CGSize originalSizeInPixels) {
  texture_ = texture;
  rectInPixels_ = rectInPixels;
  rect_ = ccRectPixelsToPoints(rectInPixels);
  rotated_ = rotated;
  offsetInPixels_ = offsetInPixels;
  originalSizeInPixels_ = originalSizeInPixels;
  return true;
}

CCSpriteFrame::~CCSpriteFrame() = default;

platform::Object* CCSpriteFrame::copy() const {
  auto* frame = new CCSpriteFrame();
  frame->initWithTexture(texture_.get(), rectInPixels_, rotated_, offsetInPixels_, originalSizeInPixels_);
  return frame;
}

std::string CCSpriteFrame::description() const {
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, " | TextureName=%d, Rect = (%.2f,%.2f,%.2f,%.2f)>",
                texture_ ? static_cast<int>(texture_->name()) : 0, rect_.origin.x, rect_.origin.y,
                rect_.size.width, rect_.size.height);
  return std::string("<") + className() + " = " + platform::addressString(this) + numbers;
}

void CCSpriteFrame::setTexture(CCTexture2D* texture) { texture_ = texture; }
