#include "tessera/Support/ccSinCos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

double radiansOf(float degrees) { return static_cast<double>(degrees) * std::numbers::pi / 180.0; }

TEST(ccSinCosDegrees, StaysWithinOneTenMillionthOfTheTrueValuesOverManyTurns) {
  // A step that is not a divisor of 90 visits every part of each quadrant.
  double worst = 0.0;
  for (double d = -3000.0; d <= 3000.0; d += 0.0173) {
    const auto degrees = static_cast<float>(d);
    float sine = 0.0f;
    float cosine = 0.0f;
    ccSinCosDegrees(degrees, &sine, &cosine);
    worst = std::max(worst, std::abs(sine - std::sin(radiansOf(degrees))));
    worst = std::max(worst, std::abs(cosine - std::cos(radiansOf(degrees))));
  }
  EXPECT_LT(worst, 1.0e-7);
}

TEST(ccSinCosDegrees, IsExactAtWholeQuarterTurnsInBothDirections) {
  const struct {
    float degrees, sine, cosine;
  } cases[] = {{0, 0, 1}, {90, 1, 0}, {180, 0, -1}, {270, -1, 0}, {360, 0, 1},
               {-90, -1, 0}, {-180, 0, -1}, {-270, 1, 0}, {450, 1, 0}, {3600 + 180, 0, -1}};
  for (const auto& c : cases) {
    float sine = 9.0f;
    float cosine = 9.0f;
    ccSinCosDegrees(c.degrees, &sine, &cosine);
    EXPECT_EQ(sine, c.sine) << c.degrees;
    EXPECT_EQ(cosine, c.cosine) << c.degrees;
  }
}

TEST(ccSinCosDegrees, ReducesHugeAnglesAndPassesNaNThrough) {
  // 1e9 degrees is 280 degrees past a whole number of turns (fmod is exact).
  float sine = 0.0f;
  float cosine = 0.0f;
  ccSinCosDegrees(1.0e9f, &sine, &cosine);
  EXPECT_NEAR(sine, std::sin(280.0 * std::numbers::pi / 180.0), 1e-6);
  EXPECT_NEAR(cosine, std::cos(280.0 * std::numbers::pi / 180.0), 1e-6);

  for (float bad : {NAN, INFINITY, -INFINITY}) {
    ccSinCosDegrees(bad, &sine, &cosine);
    EXPECT_TRUE(std::isnan(sine));
    EXPECT_TRUE(std::isnan(cosine));
  }
}

TEST(ccAffineTransformRotateDegrees, TurnsClockwiseOnScreenAfterTheGivenTransform) {
  // A quarter turn clockwise takes (1, 0) to (0, -1); the translation of the
  // transform it precedes is kept.
  const CGAffineTransform t =
      ccAffineTransformRotateDegrees(CGAffineTransformMakeTranslation(10.0f, 20.0f), 90.0f);
  const CGPoint p = CGPointApplyAffineTransform(CGPointMake(1.0f, 0.0f), t);
  EXPECT_FLOAT_EQ(p.x, 10.0f);
  EXPECT_FLOAT_EQ(p.y, 19.0f);

  // Agrees with the radians form for an arbitrary angle.
  const CGAffineTransform viaRadians = CGAffineTransformRotate(CGAffineTransformIdentity, -0.6457718f);
  const CGAffineTransform viaDegrees = ccAffineTransformRotateDegrees(CGAffineTransformIdentity, 37.0f);
  EXPECT_NEAR(viaDegrees.a, viaRadians.a, 1e-6);
  EXPECT_NEAR(viaDegrees.b, viaRadians.b, 1e-6);
  EXPECT_NEAR(viaDegrees.c, viaRadians.c, 1e-6);
  EXPECT_NEAR(viaDegrees.d, viaRadians.d, 1e-6);
}

}  // namespace
