#include "platform/Geometry.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/FloatChars.h"
#endif

#include "platform/StringUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

// [SECTION] Rectangle queries
// [SECTION] Affine transforms
// [SECTION] Text forms

// [SECTION] Rectangle queries

float CGRectGetMinX(CGRect rect) { return std::min(rect.origin.x, rect.origin.x + rect.size.width); }
float CGRectGetMidX(CGRect rect) { return rect.origin.x + rect.size.width * 0.5f; }
float CGRectGetMaxX(CGRect rect) { return std::max(rect.origin.x, rect.origin.x + rect.size.width); }
float CGRectGetMinY(CGRect rect) { return std::min(rect.origin.y, rect.origin.y + rect.size.height); }
float CGRectGetMidY(CGRect rect) { return rect.origin.y + rect.size.height * 0.5f; }
float CGRectGetMaxY(CGRect rect) { return std::max(rect.origin.y, rect.origin.y + rect.size.height); }

bool CGRectContainsPoint(CGRect rect, CGPoint point) {
  return point.x >= CGRectGetMinX(rect) && point.x < CGRectGetMaxX(rect) &&
         point.y >= CGRectGetMinY(rect) && point.y < CGRectGetMaxY(rect);
}

bool CGRectIntersectsRect(CGRect r, CGRect s) {
  return CGRectGetMinX(r) < CGRectGetMaxX(s) && CGRectGetMinX(s) < CGRectGetMaxX(r) &&
         CGRectGetMinY(r) < CGRectGetMaxY(s) && CGRectGetMinY(s) < CGRectGetMaxY(r);
}

// [SECTION] Affine transforms

CGAffineTransform CGAffineTransformMakeTranslation(float tx, float ty) {
  return CGAffineTransform{1, 0, 0, 1, tx, ty};
}

CGAffineTransform CGAffineTransformMakeRotation(float angle) {
  const float sine = sinf(angle);
  const float cosine = cosf(angle);
  return CGAffineTransform{cosine, sine, -sine, cosine, 0, 0};
}

CGAffineTransform CGAffineTransformMakeScale(float sx, float sy) {
  return CGAffineTransform{sx, 0, 0, sy, 0, 0};
}

CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, float tx, float ty) {
  // Translation(tx, ty) followed by t: only the offset changes.
  return CGAffineTransform{t.a, t.b, t.c, t.d, t.a * tx + t.c * ty + t.tx, t.b * tx + t.d * ty + t.ty};
}

CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, float angle) {
  // Rotation(angle) followed by t.
  const float sine = sinf(angle);
  const float cosine = cosf(angle);
  return CGAffineTransform{t.a * cosine + t.c * sine,  t.b * cosine + t.d * sine,
                           t.c * cosine - t.a * sine,  t.d * cosine - t.b * sine,
                           t.tx,                       t.ty};
}

CGAffineTransform CGAffineTransformScale(CGAffineTransform t, float sx, float sy) {
  return CGAffineTransform{t.a * sx, t.b * sx, t.c * sy, t.d * sy, t.tx, t.ty};
}

CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2) {
  return CGAffineTransform{t1.a * t2.a + t1.b * t2.c,          t1.a * t2.b + t1.b * t2.d,
                           t1.c * t2.a + t1.d * t2.c,          t1.c * t2.b + t1.d * t2.d,
                           t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t) {
  const float determinant = t.a * t.d - t.b * t.c;
  if (determinant == 0) return t;
  // Dividing each term (rather than multiplying by 1/determinant) keeps tiny
  // but invertible matrices finite.
  const CGAffineTransform inverse{t.d / determinant,
                                  -t.b / determinant,
                                  -t.c / determinant,
                                  t.a / determinant,
                                  (t.c * t.ty - t.d * t.tx) / determinant,
                                  (t.b * t.tx - t.a * t.ty) / determinant};
  const bool finite = std::isfinite(inverse.a) && std::isfinite(inverse.b) && std::isfinite(inverse.c) &&
                      std::isfinite(inverse.d) && std::isfinite(inverse.tx) && std::isfinite(inverse.ty);
  return finite ? inverse : t;
}

bool CGAffineTransformIsIdentity(CGAffineTransform t) {
  return t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1 && t.tx == 0 && t.ty == 0;
}

CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t) {
  return CGPoint{t.a * point.x + t.c * point.y + t.tx, t.b * point.x + t.d * point.y + t.ty};
}

CGSize CGSizeApplyAffineTransform(CGSize size, CGAffineTransform t) {
  return CGSize{t.a * size.width + t.c * size.height, t.b * size.width + t.d * size.height};
}

CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t) {
  const float left = rect.origin.x, right = rect.origin.x + rect.size.width;
  const float bottom = rect.origin.y, top = rect.origin.y + rect.size.height;
  const CGPoint corners[4] = {
      CGPointApplyAffineTransform(CGPoint{left, bottom}, t),
      CGPointApplyAffineTransform(CGPoint{right, bottom}, t),
      CGPointApplyAffineTransform(CGPoint{left, top}, t),
      CGPointApplyAffineTransform(CGPoint{right, top}, t),
  };
  float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
  for (const CGPoint& corner : corners) {
    minX = std::min(minX, corner.x);
    maxX = std::max(maxX, corner.x);
    minY = std::min(minY, corner.y);
    maxY = std::max(maxY, corner.y);
  }
  return CGRect{CGPoint{minX, minY}, CGSize{maxX - minX, maxY - minY}};
}

// [SECTION] Text forms

namespace {

/// The shortest text that reads back as the same float.
std::string shortestText(float value) {
  char buffer[32];
#ifdef __EMSCRIPTEN__
  const auto result = platform::web::toChars(buffer, buffer + sizeof buffer, value);
#else
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
#endif
  return std::string(buffer, result.ptr);
}

/// Reads up to `count` numbers from `text` into `out` in order; positions
/// with no number keep the 0 they hold.
void collectNumbers(std::string_view text, float* out, std::size_t count) {
  std::size_t found = 0;
  std::size_t i = 0;
  while (i < text.size() && found < count) {
    double number = 0;
    const std::size_t used = platform::parseDecimalPrefix(text.substr(i), number);
    if (used == 0) {
      ++i;
      continue;
    }
    out[found++] = static_cast<float>(number);
    i += used;
  }
}

/// Appends "{first, second}".
void appendPair(std::string& out, float first, float second) {
  out.push_back('{');
  out.append(shortestText(first));
  out.append(", ");
  out.append(shortestText(second));
  out.push_back('}');
}

}  // namespace

std::string NSStringFromCGPoint(CGPoint point) {
  std::string out;
  appendPair(out, point.x, point.y);
  return out;
}

std::string NSStringFromCGSize(CGSize size) {
  std::string out;
  appendPair(out, size.width, size.height);
  return out;
}

std::string NSStringFromCGRect(CGRect rect) {
  std::string out = "{";
  appendPair(out, rect.origin.x, rect.origin.y);
  out.append(", ");
  appendPair(out, rect.size.width, rect.size.height);
  out.push_back('}');
  return out;
}

CGPoint CGPointFromString(std::string_view text) {
  float numbers[2] = {};
  collectNumbers(text, numbers, 2);
  return CGPoint{numbers[0], numbers[1]};
}

CGSize CGSizeFromString(std::string_view text) {
  float numbers[2] = {};
  collectNumbers(text, numbers, 2);
  return CGSize{numbers[0], numbers[1]};
}

CGRect CGRectFromString(std::string_view text) {
  float numbers[4] = {};
  collectNumbers(text, numbers, 4);
  return CGRect{CGPoint{numbers[0], numbers[1]}, CGSize{numbers[2], numbers[3]}};
}
