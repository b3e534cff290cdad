// Point math and the power-of-two rounding: definitions checked against
// values worked out by hand.

#include "tessera/Support/CGPointExtension.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace {

constexpr float kHalfPi = 1.5707964f;

TEST(CGPointExtensionTest, NextPowerOfTwoRoundsUpAndWrapsAtTheEnds) {
  struct Case {
    std::uint32_t in, out;
  };
  const Case cases[] = {{0, 0},       {1, 1},         {2, 2},          {3, 4},          {4, 4},
                        {5, 8},       {63, 64},       {64, 64},        {65, 128},       {1000, 1024},
                        {1u << 31, 1u << 31},         {(1u << 31) + 1, 0},              {0xFFFFFFFFu, 0}};
  for (const Case& c : cases) EXPECT_EQ(c.out, nextPowerOfTwo(c.in)) << c.in;
  static_assert(nextPowerOfTwo(480) == 512);
}

TEST(CGPointExtensionTest, LengthNormalizeAndLerp) {
  EXPECT_FLOAT_EQ(5, pointLength(CGPointMake(3, -4)));
  const CGPoint unit = pointNormalize(CGPointMake(3, -4));
  EXPECT_FLOAT_EQ(0.6f, unit.x);
  EXPECT_FLOAT_EQ(-0.8f, unit.y);
  // No guard for the zero vector: the caller gets non-finite components.
  const CGPoint zero = pointNormalize(CGPointZero);
  EXPECT_FALSE(std::isfinite(zero.x));
  EXPECT_FALSE(std::isfinite(zero.y));

  const CGPoint a = CGPointMake(2, 10), b = CGPointMake(6, -10);
  EXPECT_EQ(a.x, pointLerp(a, b, 0).x);
  EXPECT_EQ(b.y, pointLerp(a, b, 1).y);
  EXPECT_FLOAT_EQ(3, pointLerp(a, b, 0.25f).x);
  EXPECT_FLOAT_EQ(5, pointLerp(a, b, 0.25f).y);
  const CGPoint scaled = pointCompMult(CGPointMake(2, -3), CGPointMake(4, 5));
  EXPECT_EQ(8, scaled.x);
  EXPECT_EQ(-15, scaled.y);
}

TEST(CGPointExtensionTest, FuzzyEqualIncludesItsBounds) {
  const CGPoint a = CGPointMake(1, 2);
  EXPECT_TRUE(pointFuzzyEqual(a, CGPointMake(1, 2), 0));
  EXPECT_FALSE(pointFuzzyEqual(a, CGPointMake(1, std::nextafter(2.0f, 3.0f)), 0));
  EXPECT_TRUE(pointFuzzyEqual(a, CGPointMake(1.5f, 1.5f), 0.5f));
  EXPECT_FALSE(pointFuzzyEqual(a, CGPointMake(1.5f, 1.25f), 0.5f));
  EXPECT_FALSE(pointFuzzyEqual(a, CGPointMake(0.25f, 2), 0.5f));
}

TEST(CGPointExtensionTest, AnglesAndRotationAreCounterClockwiseWithYUp) {
  EXPECT_FLOAT_EQ(kHalfPi, pointToAngle(CGPointMake(0, 2)));
  EXPECT_FLOAT_EQ(-kHalfPi, pointToAngle(CGPointMake(0, -2)));
  EXPECT_FLOAT_EQ(3.1415927f, pointToAngle(CGPointMake(-1, 0)));

  const CGPoint up = pointRotateByAngle(CGPointMake(1, 0), CGPointZero, kHalfPi);
  EXPECT_NEAR(0, up.x, 1e-6);
  EXPECT_FLOAT_EQ(1, up.y);
  // About a pivot: (3, 2) turned a half turn about (2, 2) lands on (1, 2).
  const CGPoint back = pointRotateByAngle(CGPointMake(3, 2), CGPointMake(2, 2), 3.1415927f);
  EXPECT_FLOAT_EQ(1, back.x);
  EXPECT_NEAR(2, back.y, 1e-6);
}

TEST(CGPointExtensionTest, LineIntersectGivesParametersAlongBothLines) {
  float s = -7, t = -7;
  ASSERT_TRUE(pointLineIntersect(CGPointMake(0, 0), CGPointMake(2, 0), CGPointMake(1, -1), CGPointMake(1, 1), &s, &t));
  EXPECT_FLOAT_EQ(0.5f, s);
  EXPECT_FLOAT_EQ(0.5f, t);

  // Lines, not segments: the crossing may lie beyond either pair of points.
  ASSERT_TRUE(pointLineIntersect(CGPointMake(0, 0), CGPointMake(1, 1), CGPointMake(4, 0), CGPointMake(4, 1), &s, &t));
  EXPECT_FLOAT_EQ(4, s);
  EXPECT_FLOAT_EQ(4, t);
}

TEST(CGPointExtensionTest, LineIntersectInvalidForParallelOrDegenerateLinesLeavesOutputs) {
  float s = -7, t = -7;
  EXPECT_FALSE(pointLineIntersect(CGPointMake(0, 0), CGPointMake(1, 0), CGPointMake(0, 1), CGPointMake(3, 1), &s, &t));
  EXPECT_FALSE(pointLineIntersect(CGPointMake(0, 0), CGPointMake(1, 0), CGPointMake(2, 2), CGPointMake(2, 2), &s, &t));
  EXPECT_FALSE(pointLineIntersect(CGPointMake(5, 5), CGPointMake(5, 5), CGPointMake(0, 0), CGPointMake(1, 1), &s, &t));
  EXPECT_EQ(-7, s);
  EXPECT_EQ(-7, t);
}

}  // namespace
