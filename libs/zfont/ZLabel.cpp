#include "zfont/ZLabel.h"

#include "platform/Color.h"
#include "platform/StringDrawing.h"
#include "zfont/FontManager.h"
#include "zfont/ZFontStringDrawing.h"

#include <algorithm>
#include <cmath>

using platform::Canvas;
using platform::Value;

namespace {

// The label's line count as the layout takes it: 0 (or less) means no limit.
unsigned lineLimit(int numberOfLines) {
  return numberOfLines > 0 ? static_cast<unsigned>(numberOfLines) : 0u;
}

}  // namespace

// [SECTION] Creation

ZLabel* ZLabel::labelWithFrame(const CGRect& frame, ZFont* font) {
  return platform::createAutoreleased<ZLabel>([&](ZLabel& label) { return label.initWithFrame(frame, font); });
}

ZLabel* ZLabel::labelWithFrame(const CGRect& frame, const std::string& fontName, float pointSize) {
  return platform::createAutoreleased<ZLabel>(
      [&](ZLabel& label) { return label.initWithFrame(frame, fontName, pointSize); });
}

bool ZLabel::initWithFrame(const CGRect& frame, ZFont* font) {
  if (!platform::Label::initWithFrame(frame)) return false;
  zFont_ = font;
  return true;
}

bool ZLabel::initWithFrame(const CGRect& frame, const std::string& fontName, float pointSize) {
  return initWithFrame(frame, FontManager::sharedManager()->zFontWithName(fontName, pointSize));
}

bool ZLabel::initWithFrame(const CGRect& frame, platform::FontFace* font, float pointSize) {
  return initWithFrame(frame, ZFont::fontWithCGFont(font, pointSize));
}

// [SECTION] Font and attributed text

void ZLabel::setZFont(ZFont* font) {
  if (font == zFont_.get()) return;
  zFont_ = font;
  setNeedsDisplay();
}

platform::FontFace* ZLabel::cgFont() const { return zFont_ ? zFont_->cgFont() : nullptr; }

void ZLabel::setCGFont(platform::FontFace* font) {
  if (font == cgFont()) return;
  // Without a custom font there is no current size: the platform font's
  // keeps the text visible (a size of 0 would draw nothing).
  float size = zFont_ ? zFont_->pointSize() : (this->font() ? this->font()->pointSize() : 0.0f);
  setZFont(ZFont::fontWithCGFont(font, size));
}

float ZLabel::pointSize() const { return zFont_ ? zFont_->pointSize() : 0.0f; }

void ZLabel::setPointSize(float pointSize) {
  if (pointSize == this->pointSize()) return;
  setZFont(ZFont::fontWithCGFont(cgFont(), pointSize));
}

void ZLabel::setZAttributedText(ZAttributedString* text) {
  if (text == zAttributedText_.get()) return;
  zAttributedText_ = text ? platform::Ref<ZAttributedString>::adopt(static_cast<ZAttributedString*>(text->copy()))
                          : nullptr;
  setNeedsDisplay();
}

// [SECTION] Drawing

CGRect ZLabel::textRectForBounds(const CGRect& bounds, int numberOfLines) const {
  const float x = bounds.origin.x;
  const float y = bounds.origin.y;
  const float w = bounds.size.width;
  float h = bounds.size.height;
  if (zAttributedText_) {
    // Attributed text carries its own fonts: it is measured as it draws.
    CGSize size = numberOfLines == 1
                      ? sizeOfAttributedString(zAttributedText_.get())
                      : sizeConstrainedToSize(zAttributedText_.get(), CGSizeMake(w, h), lineBreakMode(),
                                              lineLimit(numberOfLines));
    return CGRectMake(x, y, std::min(w, size.width), std::min(h, size.height));
  }
  if (!zFont_) return platform::Label::textRectForBounds(bounds, numberOfLines);
  if (numberOfLines == 1) {
    CGSize size = sizeWithZFont(text(), zFont_.get());
    return CGRectMake(x, y, std::min(w, size.width), std::min(h, size.height));
  }
  const float leading = zFont_->leading();
  if (numberOfLines > 0 && h >= leading * static_cast<float>(numberOfLines)) {
    h = leading * static_cast<float>(numberOfLines);
  }
  CGSize size = sizeWithZFont(text(), zFont_.get(), CGSizeMake(w, h), lineBreakMode());
  return CGRectMake(x, y, size.width, size.height);
}

void ZLabel::drawTextInRect(Canvas* canvas, const CGRect& rect) {
  if (zAttributedText_) {
    drawAttributedText(canvas, rect);
  } else if (zFont_) {
    drawCustomFontText(canvas, rect);
  } else {
    platform::Label::drawTextInRect(canvas, rect);
  }
}

void ZLabel::drawAttributedText(Canvas* canvas, const CGRect& rect) {
  platform::Ref<ZAttributedString> text = zAttributedText_;
  if (isHighlighted()) {
    // Runs without a foreground colour draw white; the others keep theirs.
    auto highlighted = platform::Ref<ZMutableAttributedString>::adopt(text->mutableCopy());
    const uint32_t length = highlighted->length();
    const Value white = zfont::colorValue(1, 1, 1, 1);
    uint32_t index = 0;
    while (index < length) {
      NSRange range;
      Value colour = highlighted->attribute(kZForegroundColorAttributeName, index, &range,
                                            NSMakeRange(index, length - index));
      if (colour.isNull()) highlighted->addAttribute(kZForegroundColorAttributeName, white, range);
      index = static_cast<uint32_t>(NSMaxRange(range));
    }
    text = highlighted.get();
  }
  const float w = rect.size.width;
  const float h = rect.size.height;
  const unsigned lines = lineLimit(numberOfLines());
  CGSize size = sizeConstrainedToSize(text.get(), CGSizeMake(w, h), lineBreakMode(), lines);
  ::drawInRect(canvas, text.get(),
               CGRectMake(rect.origin.x, rect.origin.y + std::round((h - size.height) / 2), w, size.height),
               lineBreakMode(), textAlignment(), lines);
}

void ZLabel::drawCustomFontText(Canvas* canvas, const CGRect& rect) {
  if (!canvas) canvas = Canvas::current();
  if (!canvas) return;
  const platform::Color colour =
      isHighlighted() ? highlightedTextColor().value_or(platform::Color::white()) : textColor();
  canvas->setFillColor(colour.red, colour.green, colour.blue, colour.alpha);

  float x = rect.origin.x;
  float y = rect.origin.y;
  const float w = rect.size.width;
  const float h = rect.size.height;
  ZFont* font = zFont_.get();

  if (numberOfLines() != 1) {
    const unsigned lines = lineLimit(numberOfLines());
    CGSize size = sizeWithZFont(text(), font, CGSizeMake(w, h), lineBreakMode(), lines);
    ::drawInRect(canvas, text(), CGRectMake(x, y + std::round((h - size.height) / 2), w, size.height), font,
                 lineBreakMode(), textAlignment(), lines);
    return;
  }

  y += std::round((h - font->leading()) / 2);
  CGSize size = sizeWithZFont(text(), font);
  platform::Ref<ZFont> drawFont = font;
  if (adjustsFontSizeToFitWidth() && minimumFontSize() < font->pointSize() && size.width > w) {
    float fitted = w / size.width * font->pointSize();
    fitted = std::max({fitted, minimumFontSize(), 1.0f});
    if (ZFont* smaller = font->fontWithSize(fitted)) drawFont = smaller;
    CGSize fittedSize = sizeWithZFont(text(), drawFont.get());
    if (!CGSizeEqualToSize(fittedSize, size)) {
      if (baselineAdjustment() == platform::kBaselineAdjustmentAlignCenters) {
        y += std::round((font->leading() - fittedSize.height) / 2);
      } else {
        y += font->ascender() - drawFont->ascender();
      }
    }
    size = fittedSize;
  }
  const float width = std::min(size.width, w);
  if (textAlignment() == platform::kTextAlignmentRight) {
    x += w - width;
  } else if (textAlignment() == platform::kTextAlignmentCenter) {
    x += (w - width) / 2;
  }
  ::drawAtPoint(canvas, text(), CGPointMake(x, y), width, drawFont.get(), lineBreakMode());
}
