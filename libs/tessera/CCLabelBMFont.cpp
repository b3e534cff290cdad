#include "tessera/CCLabelBMFont.h"

#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "tessera/CCBMFontConfiguration.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Support/CCArray.h"

#include <algorithm>
#include <cstdint>

namespace {

// The child sprite that shows code unit `index`: normally the child at that
// position (children are added in index order), otherwise found by tag.
CCSprite* glyphSprite(const CCNode& label, std::uint32_t index) {
  CCArray* children = label.children();
  if (children == nullptr) return nullptr;
  CCNode* child = nullptr;
  if (index < children->count()) {
    auto* candidate = static_cast<CCNode*>(children->objectAtIndex(index));
    if (candidate->tag() == static_cast<std::int32_t>(index)) child = candidate;
  }
  if (child == nullptr) child = label.getChildByTag(static_cast<std::int32_t>(index));
  return dynamic_cast<CCSprite*>(child);
}

}  // namespace

// [SECTION] Creation

CCLabelBMFont* CCLabelBMFont::labelWithString(const std::string& text, const std::string& fntFile) {
  return platform::createAutoreleased<CCLabelBMFont>(
      [&](CCLabelBMFont& label) { return label.initWithString(text, fntFile); });
}

CCLabelBMFont* CCLabelBMFont::bitmapFontAtlasWithString(const std::string& text, const std::string& fntFile) {
  return labelWithString(text, fntFile);
}

void CCLabelBMFont::purgeCachedData() { CCBMFontConfiguration::purgeCachedData(); }

bool CCLabelBMFont::initWithString(const std::string& text, const std::string& fntFile) {
  configuration_ = nullptr;
  configuration_ = CCBMFontConfiguration::cachedConfiguration(fntFile);
  // A font file that can't be read or is refused is bad input, not a
  // programming error: the configuration has logged why, the label is nil.
  if (!configuration_) {
    CCLOG("tessera: CCLabelBMFont: Error creating config for BitmapFontAtlas from %s", fntFile.c_str());
    return false;
  }

  const std::u16string units = platform::utf8ToUtf16(text);
  // The batch node accepts a missing texture; a label without its page
  // could draw nothing, so that is a failure here.
  if (!initWithFile(configuration_->atlasName(), static_cast<std::uint32_t>(units.size())) || texture() == nullptr) {
    CCLOG("tessera: CCLabelBMFont: cannot load the page image %s of %s", configuration_->atlasName().c_str(),
          fntFile.c_str());
    return false;
  }

  opacity_ = 255;
  color_ = ccWHITE;
  setContentSizeInPixels(CGSizeZero);
  const CCTexture2D* page = texture();
  opacityModifyRGB_ = page != nullptr && page->hasPremultipliedAlpha();
  // The node's own setter: nothing to lay out yet.
  CCSpriteBatchNode::setAnchorPoint(CGPointMake(0.5f, 0.5f));

  setString(text);
  return true;
}

CCLabelBMFont::~CCLabelBMFont() = default;

// [SECTION] Text

void CCLabelBMFont::setString(const std::string& text) {
  string_ = platform::utf8ToUtf16(text);
  if (CCArray* children = this->children()) {
    for (platform::Object* child : *children) static_cast<CCNode*>(child)->setVisible(false);
  }
  createFontChars();
}

void CCLabelBMFont::setCString(const char* text) { setString(text != nullptr ? std::string(text) : std::string()); }

std::string CCLabelBMFont::string() const { return platform::utf16ToUtf8(string_); }

int CCLabelBMFont::kerningAmountForFirst(std::uint16_t first, std::uint16_t second) const {
  return configuration_ ? configuration_->kerningAmount(first, second) : 0;
}

void CCLabelBMFont::createFontChars() {
  const std::size_t length = string_.size();
  if (length == 0 || !configuration_) return;

  // Pen arithmetic in 64 bits: a hostile line height or advance must not
  // overflow; ordinary fonts give the same values as 32-bit arithmetic.
  const std::int64_t lineHeight = configuration_->commonHeight();
  std::int64_t lines = 1;
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (string_[i] == u'\n') ++lines;
  }

  std::int64_t penX = 0;
  std::int64_t penY = lineHeight * (lines - 1);
  std::uint16_t previous = 0xFFFF;
  std::int64_t longestLine = 0;

  for (std::size_t i = 0; i < length; ++i) {
    const char16_t c = string_[i];
    if (c == u'\n') {
      // The previous code stays: the next line's first character is kerned
      // against this line's last one.
      penX = 0;
      penY -= lineHeight;
      continue;
    }

    const std::int64_t kerning = kerningAmountForFirst(previous, c);
    const BMFontDef& glyph = configuration_->fontDef(c);
    const auto index = static_cast<std::uint32_t>(i);

    CCSprite* sprite = glyphSprite(*this, index);
    if (sprite != nullptr) {
      sprite->setTextureRectInPixels(glyph.rect, false, glyph.rect.size);
      sprite->setVisible(true);
      sprite->setOpacity(255);
    } else {
      platform::Ref<CCSprite> made = platform::Ref<CCSprite>::adopt(new CCSprite());
      made->initWithBatchNodeRectInPixels(this, glyph.rect);
      addChild(made.get(), 0, static_cast<std::int32_t>(index));
      sprite = made.get();
    }

    // The sprite's anchor is its centre.
    const float x = static_cast<float>(penX) + static_cast<float>(glyph.xOffset) + glyph.rect.size.width * 0.5f +
                    static_cast<float>(kerning);
    const float y = static_cast<float>(penY) + static_cast<float>(lineHeight - glyph.yOffset) -
                    glyph.rect.size.height * 0.5f;
    sprite->setPositionInPixels(CGPointMake(x, y));

    // Colour before opacity: the opacity may scale the colour.
    sprite->setOpacityModifyRGB(opacityModifyRGB_);
    sprite->setColor(color_);
    if (opacity_ != 255) sprite->setOpacity(opacity_);

    penX += kerning + glyph.xAdvance;
    previous = c;
    longestLine = std::max(longestLine, penX);
  }

  setContentSizeInPixels(CGSizeMake(static_cast<float>(longestLine), static_cast<float>(lineHeight * lines)));
}

// [SECTION] Colour

void CCLabelBMFont::setColor(const ccColor3B& color) {
  color_ = color;
  if (CCArray* children = this->children()) {
    for (platform::Object* child : *children) {
      if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(child)) rgba->setColor(color_);
    }
  }
}

void CCLabelBMFont::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  if (CCArray* children = this->children()) {
    for (platform::Object* child : *children) {
      if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(child)) rgba->setOpacity(opacity_);
    }
  }
}

void CCLabelBMFont::setOpacityModifyRGB(bool modify) {
  opacityModifyRGB_ = modify;
  if (CCArray* children = this->children()) {
    for (platform::Object* child : *children) {
      if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(child)) rgba->setOpacityModifyRGB(opacityModifyRGB_);
    }
  }
}

// [SECTION] Node overrides

void CCLabelBMFont::setAnchorPoint(CGPoint anchorPoint) {
  if (CGPointEqualToPoint(anchorPoint, anchorPoint_)) return;
  CCSpriteBatchNode::setAnchorPoint(anchorPoint);
  createFontChars();
}
