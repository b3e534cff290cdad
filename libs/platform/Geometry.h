#pragma once
// Points, sizes, rectangles and 2-D affine transforms in single precision,
// with the platform's make/compare/transform helpers and their "{x, y}" and
// "{{x, y}, {w, h}}" text forms.
//
// These live in the global namespace because the engine and the application
// use the platform's names directly (CGPointMake, CGRectApplyAffineTransform).
// All arithmetic is float (sinf/cosf); the build forbids fused multiply-add,
// so results are those of plain single-precision operations in the order
// written in Geometry.cpp.
//
// Conventions: y points up; angles are radians, positive counter-clockwise.
// A transform maps (x, y) to (a*x + c*y + tx, b*x + d*y + ty).
// Rectangle queries (GetMinX, ContainsPoint, ...) treat a negative width or
// height as extending the other way from the origin.

#include <string>
#include <string_view>

/// A point (or a vector) in the plane.
struct CGPoint {
  float x = 0;
  float y = 0;
};

/// A width and a height.
struct CGSize {
  float width = 0;
  float height = 0;
};

/// A rectangle: its origin (the corner with the smallest coordinates when
/// the size is positive) and its size.
struct CGRect {
  CGPoint origin;
  CGSize size;
};

/// A 2-D affine transform: maps (x, y) to (a*x + c*y + tx, b*x + d*y + ty).
struct CGAffineTransform {
  float a = 0, b = 0, c = 0, d = 0;
  float tx = 0, ty = 0;
};

// [SECTION] Construction and constants

constexpr CGPoint CGPointMake(float x, float y) { return CGPoint{x, y}; }
constexpr CGSize CGSizeMake(float width, float height) { return CGSize{width, height}; }
constexpr CGRect CGRectMake(float x, float y, float width, float height) {
  return CGRect{CGPoint{x, y}, CGSize{width, height}};
}
constexpr CGAffineTransform CGAffineTransformMake(float a, float b, float c, float d, float tx, float ty) {
  return CGAffineTransform{a, b, c, d, tx, ty};
}

inline constexpr CGPoint CGPointZero{0, 0};
inline constexpr CGSize CGSizeZero{0, 0};
inline constexpr CGRect CGRectZero{{0, 0}, {0, 0}};
inline constexpr CGAffineTransform CGAffineTransformIdentity{1, 0, 0, 1, 0, 0};

// [SECTION] Comparison (exact float equality: -0 equals 0, NaN equals nothing)

constexpr bool CGPointEqualToPoint(CGPoint p, CGPoint q) { return p.x == q.x && p.y == q.y; }
constexpr bool CGSizeEqualToSize(CGSize s, CGSize t) { return s.width == t.width && s.height == t.height; }
constexpr bool CGRectEqualToRect(CGRect r, CGRect s) {
  return CGPointEqualToPoint(r.origin, s.origin) && CGSizeEqualToSize(r.size, s.size);
}

// [SECTION] Rectangle queries

float CGRectGetMinX(CGRect rect);
float CGRectGetMidX(CGRect rect);
float CGRectGetMaxX(CGRect rect);
float CGRectGetMinY(CGRect rect);
float CGRectGetMidY(CGRect rect);
float CGRectGetMaxY(CGRect rect);
/// True when minX <= x < maxX and minY <= y < maxY (the far edges are
/// outside, so rectangles that tile the plane never share a point).
bool CGRectContainsPoint(CGRect rect, CGPoint point);
/// True when the rectangles overlap in an area; rectangles that only touch
/// along an edge do not intersect.
bool CGRectIntersectsRect(CGRect r, CGRect s);

// [SECTION] Affine transforms

CGAffineTransform CGAffineTransformMakeTranslation(float tx, float ty);
/// Counter-clockwise rotation by `angle` radians: (cos, sin, -sin, cos, 0, 0).
CGAffineTransform CGAffineTransformMakeRotation(float angle);
CGAffineTransform CGAffineTransformMakeScale(float sx, float sy);
/// A transform that translates a point first and then applies `t`.
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, float tx, float ty);
/// A transform that rotates a point first and then applies `t`.
CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, float angle);
/// A transform that scales a point first and then applies `t`.
CGAffineTransform CGAffineTransformScale(CGAffineTransform t, float sx, float sy);
/// `t1` followed by `t2` (the matrix product t1 x t2 in row-vector form).
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2);
/// The inverse of `t`. A transform without a finite inverse (determinant 0,
/// or an inverse too large for float) is returned unchanged.
CGAffineTransform CGAffineTransformInvert(CGAffineTransform t);
/// True when `t` equals the identity exactly.
bool CGAffineTransformIsIdentity(CGAffineTransform t);
/// (a*x + c*y + tx, b*x + d*y + ty).
CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t);
/// (a*w + c*h, b*w + d*h): the linear part only, signs kept.
CGSize CGSizeApplyAffineTransform(CGSize size, CGAffineTransform t);
/// The smallest axis-aligned rectangle holding the four transformed corners
/// (its size is never negative).
CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t);

// [SECTION] Text forms
//
// Numbers print as the shortest text that reads back as the same float
// ("0.5", "100", "1e+20"), so string round trips are exact. The parsers
// collect decimal numbers in order, skipping braces, commas, spaces and any
// other character; missing numbers are 0, so malformed text ("{1,", "")
// gives zeros where numbers are absent and never reads past the end.

/// "{x, y}".
std::string NSStringFromCGPoint(CGPoint point);
/// "{width, height}".
std::string NSStringFromCGSize(CGSize size);
/// "{{x, y}, {width, height}}".
std::string NSStringFromCGRect(CGRect rect);
CGPoint CGPointFromString(std::string_view text);
CGSize CGSizeFromString(std::string_view text);
CGRect CGRectFromString(std::string_view text);
