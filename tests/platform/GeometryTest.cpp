#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void expectPointNear(CGPoint expected, CGPoint actual, float tolerance = 1e-5f) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
}

void expectTransformNear(CGAffineTransform expected, CGAffineTransform actual, float tolerance = 1e-5f) {
  EXPECT_NEAR(expected.a, actual.a, tolerance);
  EXPECT_NEAR(expected.b, actual.b, tolerance);
  EXPECT_NEAR(expected.c, actual.c, tolerance);
  EXPECT_NEAR(expected.d, actual.d, tolerance);
  EXPECT_NEAR(expected.tx, actual.tx, tolerance);
  EXPECT_NEAR(expected.ty, actual.ty, tolerance);
}

bool isFinite(CGAffineTransform t) {
  return std::isfinite(t.a) && std::isfinite(t.b) && std::isfinite(t.c) && std::isfinite(t.d) &&
         std::isfinite(t.tx) && std::isfinite(t.ty);
}

TEST(GeometryTransformTest, MapsPointsAsHandComputed) {
  const CGAffineTransform t = CGAffineTransformMake(1, 2, 3, 4, 5, 6);
  expectPointNear({1 + 3 + 5, 2 + 4 + 6}, CGPointApplyAffineTransform({1, 1}, t), 0);
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeApplyAffineTransform({2, 3}, t), CGSizeMake(1 * 2 + 3 * 3, 2 * 2 + 4 * 3)));
  // A quarter turn is counter-clockwise with y up.
  const CGAffineTransform quarter = CGAffineTransformMakeRotation(kPi / 2);
  expectPointNear({0, 1}, CGPointApplyAffineTransform({1, 0}, quarter));
  expectPointNear({-1, 0}, CGPointApplyAffineTransform({0, 1}, quarter));
  EXPECT_TRUE(CGAffineTransformIsIdentity(CGAffineTransformIdentity));
  EXPECT_FALSE(CGAffineTransformIsIdentity(CGAffineTransformMakeTranslation(0, 1e-7f)));
}

TEST(GeometryTransformTest, NewOperationsApplyBeforeTheGivenTransform) {
  const CGAffineTransform base = CGAffineTransformMake(2, 0.5f, -1, 3, 10, -4);
  // Translate/Rotate/Scale(t, ...) must equal Concat(operation, t).
  expectTransformNear(CGAffineTransformConcat(CGAffineTransformMakeTranslation(1, 2), base),
                      CGAffineTransformTranslate(base, 1, 2));
  expectTransformNear(CGAffineTransformConcat(CGAffineTransformMakeRotation(0.7f), base),
                      CGAffineTransformRotate(base, 0.7f));
  expectTransformNear(CGAffineTransformConcat(CGAffineTransformMakeScale(2, -3), base),
                      CGAffineTransformScale(base, 2, -3));
  // Scale by 2 then translate by (10, 0): (1, 0) -> (2, 0) -> (12, 0); the
  // other order gives (22, 0).
  const CGAffineTransform scale = CGAffineTransformMakeScale(2, 2);
  const CGAffineTransform move = CGAffineTransformMakeTranslation(10, 0);
  expectPointNear({12, 0}, CGPointApplyAffineTransform({1, 0}, CGAffineTransformConcat(scale, move)), 0);
  expectPointNear({22, 0}, CGPointApplyAffineTransform({1, 0}, CGAffineTransformConcat(move, scale)), 0);
  expectPointNear({22, 0}, CGPointApplyAffineTransform({1, 0}, CGAffineTransformTranslate(scale, 10, 0)), 0);
}

TEST(GeometryTransformTest, InverseUndoesTheTransformAndSingularStaysFinite) {
  const CGAffineTransform t =
      CGAffineTransformTranslate(CGAffineTransformRotate(CGAffineTransformMakeScale(2, 0.5f), 0.3f), 7, -2);
  const CGAffineTransform inverse = CGAffineTransformInvert(t);
  expectTransformNear(CGAffineTransformIdentity, CGAffineTransformConcat(t, inverse));
  expectPointNear({3, 4}, CGPointApplyAffineTransform(CGPointApplyAffineTransform({3, 4}, t), inverse), 1e-4f);

  const CGAffineTransform singular = CGAffineTransformMake(1, 2, 2, 4, 5, 6);
  const CGAffineTransform result = CGAffineTransformInvert(singular);
  EXPECT_TRUE(isFinite(result));
  expectTransformNear(singular, result, 0);
  EXPECT_TRUE(isFinite(CGAffineTransformInvert(CGAffineTransformMakeScale(0, 0))));
  // Tiny but invertible: the determinant is 1e-40 (subnormal, so a few
  // digits are lost), the inverse about 1e20.
  EXPECT_NEAR(CGAffineTransformInvert(CGAffineTransformMakeScale(1e-20f, 1e-20f)).a, 1e20f, 1e16f);
}

TEST(GeometryTransformTest, ProductsAreNotFused) {
  // a*x + c*y with a = x = 1 + 2^-12, c*y = -1: rounding the product first
  // gives 2^-11; a fused multiply-add would keep the extra 2^-24.
  const float a = 1.0f + std::ldexp(1.0f, -12);
  const CGAffineTransform t = CGAffineTransformMake(a, 0, 1, 1, 0, 0);
  EXPECT_EQ(CGPointApplyAffineTransform({a, -1}, t).x, std::ldexp(1.0f, -11));
}

TEST(GeometryRectTest, BoundingBoxOfTransformedCorners) {
  const CGRect rotated = CGRectApplyAffineTransform(CGRectMake(0, 0, 2, 1), CGAffineTransformMakeRotation(kPi / 2));
  EXPECT_NEAR(rotated.origin.x, -1, 1e-5f);
  EXPECT_NEAR(rotated.origin.y, 0, 1e-5f);
  EXPECT_NEAR(rotated.size.width, 1, 1e-5f);
  EXPECT_NEAR(rotated.size.height, 2, 1e-5f);
  const CGRect flipped = CGRectApplyAffineTransform(CGRectMake(1, 1, 2, 3), CGAffineTransformMakeScale(-1, 2));
  EXPECT_TRUE(CGRectEqualToRect(flipped, CGRectMake(-3, 2, 2, 6)));
}

TEST(GeometryRectTest, QueriesAcceptNegativeSizesAndExcludeFarEdges) {
  const CGRect backwards = CGRectMake(10, 0, -4, 2);
  EXPECT_EQ(CGRectGetMinX(backwards), 6);
  EXPECT_EQ(CGRectGetMidX(backwards), 8);
  EXPECT_EQ(CGRectGetMaxX(backwards), 10);
  EXPECT_TRUE(CGRectContainsPoint(backwards, {7, 1}));

  const CGRect square = CGRectMake(0, 0, 10, 10);
  EXPECT_TRUE(CGRectContainsPoint(square, {0, 0}));
  EXPECT_FALSE(CGRectContainsPoint(square, {10, 5}));
  EXPECT_FALSE(CGRectContainsPoint(square, {5, 10}));
  EXPECT_TRUE(CGRectIntersectsRect(square, CGRectMake(9, 9, 5, 5)));
  EXPECT_FALSE(CGRectIntersectsRect(square, CGRectMake(10, 0, 5, 5)));  // shares an edge only
  EXPECT_TRUE(CGRectIntersectsRect(square, CGRectMake(12, 3, -5, 1)));
}

TEST(GeometryStringTest, TextFormsRoundTripExactly) {
  EXPECT_EQ(NSStringFromCGRect(CGRectMake(2, 130, 64, 32)), "{{2, 130}, {64, 32}}");
  EXPECT_EQ(NSStringFromCGPoint({0.5f, -1.25f}), "{0.5, -1.25}");
  EXPECT_EQ(NSStringFromCGSize({1e20f, 0}), "{1e+20, 0}");
  for (float value : {0.1f, 1.0f / 3.0f, -123456.79f, 1e-7f, 3.4e38f}) {
    const CGPoint point{value, -value};
    EXPECT_TRUE(CGPointEqualToPoint(CGPointFromString(NSStringFromCGPoint(point)), point)) << value;
  }
  EXPECT_TRUE(CGRectEqualToRect(CGRectFromString("{{2,130},{64,32}}"), CGRectMake(2, 130, 64, 32)));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointFromString(" { 1.5 , -2 } "), CGPointMake(1.5f, -2)));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeFromString("{16,8}"), CGSizeMake(16, 8)));
}

TEST(GeometryStringTest, MalformedTextGivesZerosWhereNumbersAreMissing) {
  EXPECT_TRUE(CGPointEqualToPoint(CGPointFromString("{1,"), CGPointMake(1, 0)));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointFromString(""), CGPointZero));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointFromString("{-,.}"), CGPointZero));
  EXPECT_TRUE(CGRectEqualToRect(CGRectFromString("{{1,2},{3"), CGRectMake(1, 2, 3, 0)));
  EXPECT_TRUE(CGRectEqualToRect(CGRectFromString("garbage"), CGRectZero));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeFromString("{1e,2e+}"), CGSizeMake(1, 2)));
  // Every prefix of a valid text parses without reading past its end.
  const std::string text = "{{-1.5e+2, 2}, {3.25, 4}}";
  for (std::size_t length = 0; length <= text.size(); ++length) {
    const CGRect rect = CGRectFromString(std::string_view(text).substr(0, length));
    EXPECT_TRUE(std::isfinite(rect.origin.x) && std::isfinite(rect.size.height)) << length;
  }
}

}  // namespace
