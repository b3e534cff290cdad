#include "tessera/CCCamera.h"

#include "platform/Ref.h"
#include "tessera/Support/glu.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

struct Vec {
  float x, y, z;
};

// Row r of the rotation part of a column-major matrix.
Vec row(const float m[16], int r) { return {m[r], m[4 + r], m[8 + r]}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

platform::Ref<CCCamera> makeCamera() {
  auto* camera = new CCCamera();
  camera->init();
  return platform::Ref<CCCamera>::adopt(camera);
}

TEST(CCCameraTest, RestsCleanJustInFrontOfTheOriginUntilASetterIsUsed) {
  platform::Ref<CCCamera> camera = makeCamera();
  float x, y, z;
  camera->eyeX(&x, &y, &z);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(z), 0x34000000u);
  camera->upX(&x, &y, &z);
  EXPECT_EQ(y, 1.0f);
  EXPECT_FALSE(camera->dirty());

  camera->setUpX(0, 0, 1);
  camera->locate();  // applying does not clean
  EXPECT_TRUE(camera->dirty());
  camera->restore();
  EXPECT_FALSE(camera->dirty());
  camera->setCenterX(1, 0, 0);
  EXPECT_TRUE(camera->dirty());
}

TEST(CCCameraTest, StoresPixelsAndReadsBackPoints) {
  struct ResetFactor {
    ~ResetFactor() { ccSetContentScaleFactor(1.0f); }
  } reset;
  ccSetContentScaleFactor(2.0f);
  platform::Ref<CCCamera> camera = makeCamera();
  camera->setEyeX(1, 2, 3);
  camera->setCenterX(1, 2, 3);
  camera->setUpX(0.5f, 1, 0);
  float x, y, z;
  camera->eyeX(&x, &y, &z);
  EXPECT_TRUE(x == 1 && y == 2 && z == 3);
  camera->upX(&x, nullptr, nullptr);  // unitless: not scaled; unwanted outputs skipped
  EXPECT_EQ(x, 0.5f);
  EXPECT_THAT(camera->description(),
              testing::MatchesRegex("<CCCamera = [0-9A-F]{8,} \\| center = \\(2.00,4.00,6.00\\)>"));
  ccSetContentScaleFactor(1.0f);
  camera->eyeX(&x, &y, &z);
  EXPECT_TRUE(x == 2 && y == 4 && z == 6);
}

TEST(CCCameraLookAtTest, GivesAnOrthonormalBasisFacingTheEye) {
  float m[16];
  ccLookAtMatrix(0, 0, 1, 0, 0, 0, 0, 1, 0, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "identity, element " << i;

  ccLookAtMatrix(1, 2, 3, 0, 0, 0, 0, 1, 0, m);
  Vec x = row(m, 0), y = row(m, 1), z = row(m, 2);
  EXPECT_NEAR(z.x, 1 / std::sqrt(14.0f), 1e-6f);
  EXPECT_NEAR(z.z, 3 / std::sqrt(14.0f), 1e-6f);
  for (float unit : {dot(x, x), dot(y, y)}) EXPECT_NEAR(unit, 1.0f, 1e-6f);
  for (float zero : {dot(x, y), dot(x, z), dot(y, z)}) EXPECT_NEAR(zero, 0.0f, 1e-6f);
  EXPECT_EQ(x.y, 0.0f);  // x = up cross z stays horizontal
  EXPECT_GT(y.y, 0.0f);  // up stays up
}

TEST(CCCameraLookAtTest, UpParallelToTheViewLeavesZeroRowsInsteadOfNaN) {
  float m[16];
  ccLookAtMatrix(0, 0, 5, 0, 0, 0, 0, 0, 1, m);
  for (int i = 0; i < 16; ++i) EXPECT_FALSE(std::isnan(m[i])) << "element " << i;
  EXPECT_EQ(dot(row(m, 0), row(m, 0)) + dot(row(m, 1), row(m, 1)), 0.0f);
  EXPECT_EQ(row(m, 2).z, 1.0f);
}

TEST(CCCameraPerspectiveTest, BoundsFollowTheFieldOfViewAndAspect) {
  ccFrustum f = ccPerspectiveFrustum(60, 1.5f, 0.5f, 100);
  volatile float fovy = 60;  // computed at run time, with the same tanf
  float ymax = 0.5f * tanf(fovy * 3.1415927f / 360);
  EXPECT_NEAR(ymax, 0.28867513f, 1e-7f);
  EXPECT_TRUE(f.top == ymax && f.bottom == -ymax && f.right == 1.5f * ymax && f.left == -1.5f * ymax);
  EXPECT_TRUE(f.zNear == 0.5f && f.zFar == 100.0f);
}

}  // namespace
