#include "tessera/CCLabelTTF.h"

#include "platform/Assert.h"
#include "platform/Ref.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccMacros.h"

#include <cstdio>

CCLabelTTF* CCLabelTTF::labelWithString(const std::string& text, const std::string& fontName, float fontSize) {
  return platform::createAutoreleased<CCLabelTTF>(
      [&](CCLabelTTF& label) { return label.initWithString(text, fontName, fontSize); });
}

CCLabelTTF* CCLabelTTF::labelWithString(const std::string& text, CGSize dimensions, int alignment,
                                        const std::string& fontName, float fontSize) {
  return platform::createAutoreleased<CCLabelTTF>(
      [&](CCLabelTTF& label) { return label.initWithString(text, dimensions, alignment, fontName, fontSize); });
}

bool CCLabelTTF::init() {
  CCAssert(false, "CCLabelTTF: Init not supported. Use initWithString");
  return false;
}

bool CCLabelTTF::initWithString(const std::string& text, const std::string& fontName, float fontSize) {
  return initLabel(text, CGSizeZero, alignment_, fontName, fontSize);
}

bool CCLabelTTF::initWithString(const std::string& text, CGSize dimensions, int alignment,
                                const std::string& fontName, float fontSize) {
  return initLabel(text, dimensions, alignment, fontName, fontSize);
}

bool CCLabelTTF::initLabel(const std::string& text, CGSize dimensions, int alignment, const std::string& fontName,
                           float fontSize) {
  // A sprite without a texture; setString() gives it one.
  if (!CCSprite::init()) return false;
  const float scale = CC_CONTENT_SCALE_FACTOR();
  dimensions_ = CGSizeMake(dimensions.width * scale, dimensions.height * scale);
  alignment_ = alignment;
  fontName_ = fontName;
  fontSize_ = fontSize * scale;
  setString(text);
  return true;
}

void CCLabelTTF::setString(const std::string& text) {
  string_ = text;

  auto* texture = new CCTexture2D();
  const bool rendered = dimensions_.width == 0 && dimensions_.height == 0
                            ? texture->initWithString(string_, fontName_, fontSize_)
                            : texture->initWithString(string_, dimensions_, alignment_, fontName_, fontSize_);
  // The label becomes the texture's only owner; the previous one goes.
  platform::Ref<CCTexture2D> owned = platform::Ref<CCTexture2D>::adopt(texture);
  if (!rendered) owned = nullptr;
  setTexture(owned.get());

  CGRect rect = CGRectZero;
  if (owned) rect.size = owned->contentSize();
  setTextureRect(rect);
}

std::string CCLabelTTF::description() const {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, ", FontSize = %.1f>", static_cast<double>(fontSize_));
  return std::string("<") + className() + " = " + platform::addressString(this) + " | FontName = " + fontName_ +
         numbers;
}
