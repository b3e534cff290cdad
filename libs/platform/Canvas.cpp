#include "platform/Canvas.h"

#include "platform/FontFace.h"
#include "platform/Image.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// [SECTION] Pixel helpers
// [SECTION] Creation and state
// [SECTION] Drawing
// [SECTION] Current canvas

namespace platform {

namespace {

// [SECTION] Pixel helpers

// Exact rounding of x / 255 for 0 <= x <= 255 * 255.
inline unsigned divide255(unsigned x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

inline uint8_t toByte(float component) {
  if (!(component > 0)) return 0;  // also NaN
  if (component >= 1) return 255;
  return static_cast<uint8_t>(std::lround(component * 255.0f));
}

std::size_t layoutBytes(CanvasLayout layout) {
  return layout == CanvasLayout::Alpha8 || layout == CanvasLayout::Grey8 ? 1 : 4;
}

/// A rectangle with non-negative size.
CGRect standardized(const CGRect& rect) {
  CGRect r = rect;
  if (r.size.width < 0) {
    r.origin.x += r.size.width;
    r.size.width = -r.size.width;
  }
  if (r.size.height < 0) {
    r.origin.y += r.size.height;
    r.size.height = -r.size.height;
  }
  return r;
}

/// Device pixels whose centres map into a user-space rectangle: calls
/// visit(x, row, u, v) with the device column, the buffer row and the
/// centre's user coordinates. The inverse transform is taken in double so
/// that centres on exact half-pixel positions land where expected.
template <class Visit>
void forEachPixelIn(const CGRect& userRect, const CGAffineTransform& ctm, int width, int height, Visit&& visit) {
  CGRect r = standardized(userRect);
  if (!(r.size.width > 0 && r.size.height > 0)) return;
  double a = ctm.a, b = ctm.b, c = ctm.c, d = ctm.d, tx = ctm.tx, ty = ctm.ty;
  double determinant = a * d - b * c;
  if (determinant == 0 || !std::isfinite(determinant)) return;
  double ia = d / determinant, ib = -b / determinant, ic = -c / determinant, id = a / determinant;
  double itx = -(ia * tx + ic * ty), ity = -(ib * tx + id * ty);
  CGRect box = CGRectApplyAffineTransform(r, ctm);
  auto clampTo = [](double value, int limit) {
    if (!(value > 0)) return 0;  // also NaN, from infinite rectangles
    return value >= limit ? limit : static_cast<int>(value);
  };
  int x0 = clampTo(std::floor(double(box.origin.x)), width);
  int x1 = clampTo(std::ceil(double(box.origin.x) + box.size.width), width);
  int y0 = clampTo(std::floor(double(box.origin.y)), height);
  int y1 = clampTo(std::ceil(double(box.origin.y) + box.size.height), height);
  double minU = r.origin.x, maxU = double(r.origin.x) + r.size.width;
  double minV = r.origin.y, maxV = double(r.origin.y) + r.size.height;
  for (int dy = y0; dy < y1; ++dy) {
    double cy = dy + 0.5;
    int row = height - 1 - dy;
    for (int dx = x0; dx < x1; ++dx) {
      double cx = dx + 0.5;
      double u = ia * cx + ic * cy + itx;
      double v = ib * cx + id * cy + ity;
      if (u >= minU && u < maxU && v >= minV && v < maxV) visit(dx, row, u, v);
    }
  }
}

thread_local std::vector<Ref<Canvas>> tCurrentCanvases;

}  // namespace

// [SECTION] Creation and state

Canvas* Canvas::canvasWithBuffer(uint8_t* buffer, int width, int height, std::size_t rowBytes,
                                 CanvasLayout layout) {
  return createAutoreleased<Canvas>(
      [&](Canvas& canvas) { return canvas.initWithBuffer(buffer, width, height, rowBytes, layout); });
}

bool Canvas::initWithBuffer(uint8_t* buffer, int width, int height, std::size_t rowBytes, CanvasLayout layout) {
  if (!buffer || width <= 0 || height <= 0 || rowBytes < std::size_t(width) * layoutBytes(layout)) {
    CCLOG("tessera: Canvas: cannot draw into %dx%d pixels with %zu-byte rows at %p", width, height, rowBytes,
          static_cast<void*>(buffer));
    return false;
  }
  buffer_ = buffer;
  width_ = width;
  height_ = height;
  rowBytes_ = rowBytes;
  layout_ = layout;
  state_ = State{};
  savedStates_.clear();
  return true;
}

void Canvas::save() { savedStates_.push_back(state_); }

void Canvas::restore() {
  if (savedStates_.empty()) {
    CCLOG("tessera: Canvas: restore() without a matching save()");
    return;
  }
  state_ = std::move(savedStates_.back());
  savedStates_.pop_back();
}

void Canvas::translate(float tx, float ty) { state_.transform = CGAffineTransformTranslate(state_.transform, tx, ty); }
void Canvas::scale(float sx, float sy) { state_.transform = CGAffineTransformScale(state_.transform, sx, sy); }
void Canvas::concat(const CGAffineTransform& t) { state_.transform = CGAffineTransformConcat(t, state_.transform); }

void Canvas::setFillColor(float red, float green, float blue, float alpha) {
  float a = std::clamp(std::isnan(alpha) ? 0.0f : alpha, 0.0f, 1.0f);
  state_.fill[0] = toByte(red * a);
  state_.fill[1] = toByte(green * a);
  state_.fill[2] = toByte(blue * a);
  state_.fill[3] = toByte(a);
}

void Canvas::setFillGrey(float grey, float alpha) { setFillColor(grey, grey, grey, alpha); }

void Canvas::setFont(FontFace* face, float size) {
  state_.font = face;
  state_.fontSize = size;
}

void Canvas::setTextMatrix(const CGAffineTransform& matrix) { state_.textMatrix = matrix; }

// [SECTION] Drawing

void Canvas::blend(int x, int row, const uint8_t source[4], unsigned coverage) {
  uint8_t* p = buffer_ + rowBytes_ * std::size_t(row) + layoutBytes(layout_) * std::size_t(x);
  unsigned s[4];
  for (int i = 0; i < 4; ++i) s[i] = coverage >= 255 ? source[i] : divide255(source[i] * coverage);
  unsigned keep = 255 - s[3];
  auto over = [keep](unsigned src, unsigned dst) {
    return static_cast<uint8_t>(std::min(255u, src + divide255(dst * keep)));
  };
  switch (layout_) {
    case CanvasLayout::RGBAPremultiplied:
      for (int i = 0; i < 4; ++i) p[i] = over(s[i], p[i]);
      break;
    case CanvasLayout::RGBX:
      for (int i = 0; i < 3; ++i) p[i] = over(s[i], p[i]);
      p[3] = 255;
      break;
    case CanvasLayout::Alpha8: p[0] = over(s[3], p[0]); break;
    case CanvasLayout::Grey8: {
      unsigned luminance = (77 * s[0] + 150 * s[1] + 29 * s[2] + 128) >> 8;
      p[0] = over(luminance, p[0]);
      break;
    }
  }
}

void Canvas::clearRect(const CGRect& rect) {
  std::size_t pixelBytes = layoutBytes(layout_);
  forEachPixelIn(rect, state_.transform, width_, height_, [&](int x, int row, double, double) {
    std::memset(buffer_ + rowBytes_ * std::size_t(row) + pixelBytes * std::size_t(x), 0, pixelBytes);
  });
}

void Canvas::fillRect(const CGRect& rect) {
  forEachPixelIn(rect, state_.transform, width_, height_,
                 [&](int x, int row, double, double) { blend(x, row, state_.fill, 255); });
}

void Canvas::drawImage(const Image* image, const CGRect& rect) {
  CGRect r = standardized(rect);
  if (!image || !(r.size.width > 0 && r.size.height > 0)) return;
  int imageWidth = image->width(), imageHeight = image->height();
  double columnsPerUnit = imageWidth / double(r.size.width);
  double rowsPerUnit = imageHeight / double(r.size.height);
  double top = double(r.origin.y) + r.size.height;
  forEachPixelIn(r, state_.transform, width_, height_, [&](int x, int row, double u, double v) {
    int column = std::clamp(static_cast<int>((u - r.origin.x) * columnsPerUnit), 0, imageWidth - 1);
    int imageRow = std::clamp(static_cast<int>((top - v) * rowsPerUnit), 0, imageHeight - 1);
    auto pixel = image->premultipliedPixel(column, imageRow);
    if (pixel[3] == 0 && pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0) return;  // leaves the pixel as it is
    blend(x, row, pixel.data(), 255);
  });
}

void Canvas::blendCoverage(const GlyphCoverage& glyph, int left, int top) {
  for (int j = 0; j < glyph.rows; ++j) {
    int row = height_ - (top - j);
    if (row < 0 || row >= height_) continue;
    const uint8_t* coverage = glyph.coverage.data() + std::size_t(j) * glyph.width;
    for (int i = 0; i < glyph.width; ++i) {
      int x = left + i;
      if (x < 0 || x >= width_ || coverage[i] == 0) continue;
      blend(x, row, state_.fill, coverage[i]);
    }
  }
}

CGPoint Canvas::showGlyphs(std::span<const uint16_t> glyphs, CGPoint point) {
  FontFace* face = state_.font.get();
  if (!face || glyphs.empty()) return point;
  std::vector<int> advances(glyphs.size());
  face->glyphAdvances(glyphs, advances);
  CGAffineTransform text = state_.textMatrix;
  text.tx = text.ty = 0;
  CGAffineTransform device = state_.transform;
  device.tx = device.ty = 0;
  CGAffineTransform glyphToDevice = CGAffineTransformConcat(text, device);
  float unitsToText = state_.fontSize / static_cast<float>(face->unitsPerEm());
  GlyphCoverage coverage;
  CGPoint pen = point;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    CGPoint origin = CGPointApplyAffineTransform(pen, state_.transform);
    double wholeX = std::floor(double(origin.x)), wholeY = std::floor(double(origin.y));
    // Glyphs far outside the buffer are skipped (and cannot overflow int).
    bool nearBuffer = wholeX > -8192.0 && wholeX < width_ + 8192.0 && wholeY > -8192.0 && wholeY < height_ + 8192.0;
    if (nearBuffer &&
        face->renderGlyph(glyphs[i], state_.fontSize, glyphToDevice,
                          CGPointMake(float(origin.x - wholeX), float(origin.y - wholeY)), coverage)) {
      blendCoverage(coverage, int(wholeX) + coverage.left, int(wholeY) + coverage.top);
    }
    CGSize step = CGSizeApplyAffineTransform(CGSizeMake(float(advances[i]) * unitsToText, 0), text);
    pen.x += step.width;
    pen.y += step.height;
  }
  return pen;
}

// [SECTION] Current canvas

void Canvas::pushCurrent(Canvas* canvas) { tCurrentCanvases.emplace_back(canvas); }

void Canvas::popCurrent() {
  if (!tCurrentCanvases.empty()) tCurrentCanvases.pop_back();
}

Canvas* Canvas::current() { return tCurrentCanvases.empty() ? nullptr : tCurrentCanvases.back().get(); }

}  // namespace platform
