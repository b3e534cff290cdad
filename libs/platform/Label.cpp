#include "platform/Label.h"

#include "platform/Log.h"
#include "platform/StringDrawing.h"
#include "platform/ViewOverlays.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr float kDefaultFontSize = 17;
// A label picture larger than this many pixels a side is not drawn: no real
// screen needs one, and the buffer would be enormous.
constexpr int kMaxPictureSide = 8192;

// Labels alive, in creation order: the overlay provider shows them. Main thread.
std::vector<Label*>& liveLabels() {
  static std::vector<Label*> labels;
  return labels;
}

// Whether `view` lies inside `ancestor` with nothing hidden on the way up.
bool isShownInside(const View* view, const View* ancestor) {
  for (const View* v = view; v != nullptr; v = v->superview()) {
    if (v == ancestor) return true;
    if (v->isHidden()) return false;
  }
  return false;
}

std::vector<ViewOverlay> labelOverlays(const View* glView) {
  std::vector<ViewOverlay> overlays;
  for (Label* label : liveLabels()) {
    if (label == glView || !isShownInside(label, glView)) continue;
    if (Image* image = label->displayedImage()) {
      overlays.push_back({image, label->convertRectToView(label->bounds(), glView)});
    }
  }
  return overlays;
}

void ensureOverlayProvider() {
  static std::once_flag once;
  std::call_once(once, [] { addViewOverlayProvider(&labelOverlays); });
}

}  // namespace

// [SECTION] Creation

Label* Label::labelWithFrame(const CGRect& frame) {
  return createAutoreleased<Label>([&](Label& label) { return label.initWithFrame(frame); });
}

bool Label::initWithFrame(const CGRect& frame) {
  if (!View::initWithFrame(frame)) return false;
  if (!font_) font_ = Font::systemFontOfSize(kDefaultFontSize);
  setOpaque(false);
  ensureOverlayProvider();
  if (std::find(liveLabels().begin(), liveLabels().end(), this) == liveLabels().end()) {
    liveLabels().push_back(this);
  }
  setNeedsDisplay();
  return true;
}

Label::~Label() { std::erase(liveLabels(), this); }

// [SECTION] Properties

void Label::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  setNeedsDisplay();
}

void Label::setFont(Font* font) {
  Ref<Font> next = font ? font : Font::systemFontOfSize(kDefaultFontSize);
  if (next.get() == font_.get() || (next && font_ && next->isEqual(font_.get()))) return;
  font_ = next;
  setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
  if (color == textColor_) return;
  textColor_ = color;
  setNeedsDisplay();
}

void Label::setHighlightedTextColor(const std::optional<Color>& color) {
  if (color == highlightedTextColor_) return;
  highlightedTextColor_ = color;
  setNeedsDisplay();
}

void Label::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  setNeedsDisplay();
}

void Label::setTextAlignment(int alignment) {
  if (alignment == textAlignment_) return;
  textAlignment_ = alignment;
  setNeedsDisplay();
}

void Label::setLineBreakMode(int mode) {
  if (mode == lineBreakMode_) return;
  lineBreakMode_ = mode;
  setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
  if (lines == numberOfLines_) return;
  numberOfLines_ = lines;
  setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
  if (adjusts == adjustsFontSizeToFitWidth_) return;
  adjustsFontSizeToFitWidth_ = adjusts;
  setNeedsDisplay();
}

void Label::setMinimumFontSize(float size) {
  if (size == minimumFontSize_) return;
  minimumFontSize_ = size;
  setNeedsDisplay();
}

void Label::setBaselineAdjustment(int adjustment) {
  if (adjustment == baselineAdjustment_) return;
  baselineAdjustment_ = adjustment;
  setNeedsDisplay();
}

// [SECTION] Drawing

CGRect Label::textRectForBounds(const CGRect& bounds, int numberOfLines) const {
  const float x = bounds.origin.x;
  const float y = bounds.origin.y;
  const float w = bounds.size.width;
  float h = bounds.size.height;
  if (numberOfLines == 1) {
    CGSize size = sizeWithFont(text_, font_.get());
    return CGRectMake(x, y, std::min(w, size.width), std::min(h, size.height));
  }
  if (numberOfLines > 0 && font_ && h >= font_->lineHeight() * static_cast<float>(numberOfLines)) {
    h = font_->lineHeight() * static_cast<float>(numberOfLines);
  }
  CGSize size = sizeWithFont(text_, font_.get(), CGSizeMake(w, h), lineBreakMode_);
  return CGRectMake(x, y, size.width, size.height);
}

void Label::drawTextInRect(Canvas* canvas, const CGRect& rect) {
  if (!canvas) canvas = Canvas::current();
  if (!canvas || !font_) return;
  const Color color = highlighted_ ? highlightedTextColor_.value_or(Color::white()) : textColor_;
  canvas->setFillColor(color.red, color.green, color.blue, color.alpha);

  float x = rect.origin.x;
  float y = rect.origin.y;
  const float w = rect.size.width;
  const float h = rect.size.height;

  if (numberOfLines_ == 1) {
    y += std::round((h - font_->lineHeight()) / 2);
    CGSize size = sizeWithFont(text_, font_.get());
    Ref<Font> font = font_;
    if (adjustsFontSizeToFitWidth_ && minimumFontSize_ < font_->pointSize() && size.width > w) {
      float fitted = w / size.width * font_->pointSize();
      fitted = std::max({fitted, minimumFontSize_, 1.0f});
      if (Font* smaller = font_->fontWithSize(fitted)) font = smaller;
      CGSize fittedSize = sizeWithFont(text_, font.get());
      if (!CGSizeEqualToSize(fittedSize, size)) {
        if (baselineAdjustment_ == kBaselineAdjustmentAlignCenters) {
          y += std::round((font_->lineHeight() - fittedSize.height) / 2);
        } else {
          y += font_->ascender() - font->ascender();
        }
      }
      size = fittedSize;
    }
    const float width = std::min(size.width, w);
    if (textAlignment_ == kTextAlignmentRight) {
      x += w - width;
    } else if (textAlignment_ == kTextAlignmentCenter) {
      x += (w - width) / 2;
    }
    drawAtPoint(canvas, text_, font.get(), CGPointMake(x, y), width, lineBreakMode_);
    return;
  }

  float limit = h;
  if (numberOfLines_ > 0) limit = std::min(h, font_->lineHeight() * static_cast<float>(numberOfLines_));
  CGSize size = sizeWithFont(text_, font_.get(), CGSizeMake(w, limit), lineBreakMode_);
  drawInRect(canvas, text_, font_.get(), CGRectMake(x, y + std::round((h - size.height) / 2), w, size.height),
             lineBreakMode_, textAlignment_);
}

void Label::drawRect(Canvas* canvas, const CGRect& rect) { drawTextInRect(canvas, bounds()); }

void Label::setNeedsDisplay() {
  needsDisplay_ = true;
  if (window() != nullptr) setNeedsRedisplay();
}

Image* Label::displayedImage() {
  const CGRect b = bounds();
  const float scale = contentScaleFactor();
  const float pixelWidth = std::ceil(b.size.width * scale);
  const float pixelHeight = std::ceil(b.size.height * scale);
  if (!(pixelWidth >= 1 && pixelHeight >= 1)) {
    image_ = nullptr;
    return nullptr;
  }
  if (pixelWidth > kMaxPictureSide || pixelHeight > kMaxPictureSide) {
    CCLOG("tessera: Label: %.0fx%.0f pixels is too large to draw (limit %d a side)", pixelWidth,
          pixelHeight, kMaxPictureSide);
    image_ = nullptr;
    return nullptr;
  }
  const CGSize size = CGSizeMake(pixelWidth, pixelHeight);
  if (!needsDisplay_ && image_ && CGSizeEqualToSize(size, imageSize_)) return image_.get();

  const int width = static_cast<int>(pixelWidth);
  const int height = static_cast<int>(pixelHeight);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  std::vector<uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));
  Ref<Canvas> canvas = Canvas::canvasWithBuffer(pixels.data(), width, height, rowBytes,
                                                CanvasLayout::RGBAPremultiplied);
  if (!canvas) return nullptr;
  // y down, in points: the first row is the top of the label.
  canvas->translate(0, pixelHeight);
  canvas->scale(scale, -scale);
  Canvas::pushCurrent(canvas.get());
  drawRect(canvas.get(), b);
  Canvas::popCurrent();
  image_ = Image::imageWithPixels(width, height, PixelLayout::RGBAPremultiplied, rowBytes, pixels);
  imageSize_ = size;
  needsDisplay_ = false;
  return image_.get();
}

}  // namespace platform
