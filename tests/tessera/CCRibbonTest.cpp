// Ribbons and motion streaks: the strip's geometry, segments, fading and
// recycling against a GL context, the streak's point spacing, and trails
// drawn through the real director and read back.

#include "tessera/CCRibbon.h"

#include "OffscreenTestSupport.h"
#include "ParticleTestSupport.h"
#include "SpriteTestSupport.h"
#include "platform/RunLoop.h"
#include "platform/StringUtils.h"
#include "support/TestSupport.h"
#include "tessera/CCMotionStreak.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCTextureCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using platform::Ref;

namespace {

constexpr ccColor4B kRedColour{255, 0, 0, 255};

// Point i of a segment as "(left x, left y) (right x, right y) v=..", rounded
// to hundredths.
std::string pointText(const CCRibbonSegment* segment, std::uint32_t i) {
  const GLfloat* v = &segment->verts[i * 6];
  const GLfloat* c = &segment->coords[i * 4];
  auto r = [](float x) { return std::round(x * 100.0f) / 100.0f + 0.0f; };
  return platform::formatString("(%g,%g) (%g,%g) v=%g", r(v[0]), r(v[1]), r(v[3]), r(v[4]), r(c[1]));
}

class CCRibbonTest : public sprite_test::SpriteGLTest {
 protected:
  void SetUp() override {
    SpriteGLTest::SetUp();
    if (IsSkipped()) return;
    sprite_test::Picture white(16, 16);
    white.fill(0, 0, 16, 16, sprite_test::kWhite);
    writePNG("white.png", white);
  }
  // A ribbon of width 4, texture length 100, red, with points laid along x
  // every `step` pixels: the first at x = 0.
  static CCRibbon* ribbonAlongX(int points, float step, float fade = 2.0f, const std::string& image = "") {
    CCRibbon* ribbon = CCRibbon::ribbonWithWidth(4, image, 100, kRedColour, fade);
    for (int i = 0; i < points; ++i) ribbon->addPointAt(CGPointMake(static_cast<float>(i) * step, 0), 4);
    return ribbon;
  }
};

// [SECTION] Geometry

TEST_F(CCRibbonTest, FirstPointOnlyRecordsThenEachPointAddsEdgesAcrossTheStep) {
  CCRibbon* ribbon = ribbonAlongX(1, 50);
  ASSERT_EQ(1u, ribbon->segments().size());
  EXPECT_EQ(0u, ribbon->segments()[0]->end) << "one point makes no strip";

  ribbon->addPointAt(CGPointMake(50, 0), 4);
  const CCRibbonSegment* segment = ribbon->segments()[0].get();
  ASSERT_EQ(2u, segment->end) << "the second point makes the first quad: four vertices";
  // Edges half the width to either side, across the direction of travel.
  EXPECT_EQ("(0,2) (0,-2) v=0", pointText(segment, 0));
  EXPECT_EQ("(50,2) (50,-2) v=0.5", pointText(segment, 1)) << "50 pixels of a 100-pixel texture";

  // Turning upwards with a wider point: the new edges lie across the new step.
  ribbon->addPointAt(CGPointMake(50, 30), 10);
  EXPECT_EQ("(45,30) (55,30) v=0.8", pointText(segment, 2));
  EXPECT_FLOAT_EQ(0.8f, ribbon->textureVPosition());
}

TEST_F(CCRibbonTest, PointsAreScaledToPixelsButWidthsAreNot) {
  ccSetContentScaleFactor(2.0f);
  CCRibbon* ribbon = ribbonAlongX(2, 25);
  // 25 points are 50 pixels; the width of 4 stays 4 pixels wide.
  EXPECT_EQ("(50,2) (50,-2) v=0.5", pointText(ribbon->segments()[0].get(), 1));
}

TEST_F(CCRibbonTest, AFullSegmentContinuesFromItsLastPoint) {
  CCRibbon* ribbon = ribbonAlongX(1 + 51, 10);
  ASSERT_EQ(2u, ribbon->segments().size());
  const CCRibbonSegment* first = ribbon->segments()[0].get();
  const CCRibbonSegment* second = ribbon->segments()[1].get();
  EXPECT_EQ(kCCRibbonSegmentPoints, first->end);
  EXPECT_EQ(3u, second->end);
  EXPECT_EQ(pointText(first, kCCRibbonSegmentPoints - 1), pointText(second, 0));
  EXPECT_EQ("(500,2) (500,-2) v=5", pointText(second, 1));
}

// [SECTION] Fading and recycling

TEST_F(CCRibbonTest, PointsFadeWithAgeAndExpiredOnesAreSkipped) {
  CCRibbon* ribbon = CCRibbon::ribbonWithWidth(4, "white.png", 100, kRedColour, 2);
  ribbon->addPointAt(CGPointMake(0, 0), 4);
  ribbon->update(0.5f);
  ribbon->addPointAt(CGPointMake(10, 0), 4);  // points made at 0 (one step back) and 0.5
  ribbon->update(1.0f);
  ribbon->addPointAt(CGPointMake(20, 0), 4);  // at 1.5
  ribbon->update(0.75f);                      // now 2.25
  render(ribbon);

  const CCRibbonSegment* segment = ribbon->segments()[0].get();
  EXPECT_EQ(1u, segment->begin) << "the point older than the fade time is skipped";
  EXPECT_EQ(0, segment->colors[3]);
  EXPECT_EQ(31, segment->colors[8 + 3]) << "aged 1.75 of 2: 255 - 0.875 x 255, truncated";
  EXPECT_EQ(31, segment->colors[8 + 7]) << "both edges";
  EXPECT_EQ(159, segment->colors[16 + 3]) << "aged 0.75: 255 - 0.375 x 255";
  EXPECT_EQ(255, segment->colors[16 + 0]) << "red kept";
  EXPECT_EQ(0, segment->colors[16 + 1]);

  // Seen again later, the faded points stay skipped.
  ribbon->update(1.0f);
  render(ribbon);
  EXPECT_EQ(2u, segment->begin);
}

TEST_F(CCRibbonTest, FadedSegmentsFinishThenGetReused) {
  CCRibbon* ribbon = ribbonAlongX(1 + 49, 10, 1.0f, "white.png");  // the first segment full
  ribbon->update(2.0f);
  ribbon->addPointAt(CGPointMake(500, 0), 4);
  ASSERT_EQ(2u, ribbon->segments().size());
  const CCRibbonSegment* old = ribbon->segments()[0].get();

  render(ribbon);
  EXPECT_EQ(kCCRibbonSegmentPoints, old->begin);
  EXPECT_FALSE(old->finished) << "finished is noticed at the next draw";
  render(ribbon);
  EXPECT_TRUE(old->finished);

  ribbon->addPointAt(CGPointMake(510, 0), 4);
  ASSERT_EQ(1u, ribbon->segments().size());
  ASSERT_EQ(1u, ribbon->deletedSegments().size());
  EXPECT_EQ(old, ribbon->deletedSegments()[0].get());

  // Filling the live segment takes the finished one back, emptied.
  for (int i = 0; ribbon->segments().back()->end < kCCRibbonSegmentPoints; ++i) {
    ribbon->addPointAt(CGPointMake(520.0f + 10.0f * static_cast<float>(i), 0), 4);
  }
  ribbon->addPointAt(CGPointMake(2000, 0), 4);
  ASSERT_EQ(2u, ribbon->segments().size());
  EXPECT_EQ(old, ribbon->segments()[1].get());
  EXPECT_TRUE(ribbon->deletedSegments().empty());
  EXPECT_FALSE(old->finished);
  EXPECT_EQ(0u, old->begin);
  EXPECT_EQ(2u, old->end);
}

TEST_F(CCRibbonTest, ZeroOrNegativeFadeTimesGiveDefinedAlphas) {
  CCRibbon* instant = ribbonAlongX(3, 10, 0.0f, "white.png");
  instant->update(0.25f);
  instant->addPointAt(CGPointMake(30, 0), 4);  // created at the ribbon's current time
  render(instant);
  const CCRibbonSegment* segment = instant->segments()[0].get();
  EXPECT_EQ(segment->end, segment->begin) << "with no fade time every point has faded at once";
  EXPECT_EQ(0, segment->colors[3 * 8 + 3]);

  CCRibbon* backwards = ribbonAlongX(3, 10, -1.0f, "white.png");
  backwards->update(0.5f);
  render(backwards);
  EXPECT_EQ(255, backwards->segments()[0]->colors[3]) << "clamped, not wrapped";
  EXPECT_EQ(0u, backwards->segments()[0]->begin);
}

// [SECTION] Motion streak

TEST_F(CCRibbonTest, StreakAddsAPointOnlyAfterMovingMoreThanTheMinimum) {
  CCMotionStreak* streak = CCMotionStreak::streakWithFade(2, 10, "", 4, 100, kRedColour);
  ASSERT_NE(nullptr, streak);
  CCRibbon* ribbon = streak->ribbon();
  ASSERT_EQ(streak, ribbon->parent());
  const CCRibbonSegment* segment = ribbon->segments()[0].get();

  // 6 points a frame: 12 records the first point, 24 and 36 add the next.
  for (int frame = 1; frame <= 6; ++frame) {
    streak->setPosition(CGPointMake(6.0f * static_cast<float>(frame), 0));
    streak->update(1.0f / 60);
  }
  EXPECT_EQ(3u, segment->end);
  EXPECT_EQ("(24,2) (24,-2) v=0.12", pointText(segment, 1));
  EXPECT_FLOAT_EQ(-36.0f, ribbon->position().x) << "the ribbon undoes the streak's move";
  EXPECT_NEAR(0.1f, ribbon->currentTime(), 1e-6f);

  // A move of exactly the minimum is not enough: the first point is laid
  // at 10.5, not at 10.
  CCMotionStreak* exact = CCMotionStreak::streakWithFade(2, 10, "", 4, 100, kRedColour);
  for (float x : {10.0f, 10.5f, 25.0f}) {
    exact->setPosition(CGPointMake(x, 0));
    exact->update(1.0f / 60);
  }
  const CCRibbonSegment* exactSegment = exact->ribbon()->segments()[0].get();
  ASSERT_EQ(2u, exactSegment->end);
  EXPECT_EQ("(10.5,2) (10.5,-2) v=0", pointText(exactSegment, 0));
}

TEST_F(CCRibbonTest, StreakLaysPointsInWorldSpace) {
  Ref<CCNode> parent = CCNode::node();
  parent->setPosition(CGPointMake(100, 50));
  CCMotionStreak* streak = CCMotionStreak::streakWithFade(2, 1, "", 4, 100, kRedColour);
  parent->addChild(streak);
  streak->update(0);
  streak->setPosition(CGPointMake(0, 20));
  streak->update(0);
  EXPECT_EQ("(98,70) (102,70) v=0.2", pointText(streak->ribbon()->segments()[0].get(), 1));
  EXPECT_FLOAT_EQ(-100.0f, streak->ribbon()->position().x);
  EXPECT_FLOAT_EQ(-70.0f, streak->ribbon()->position().y);
}

// [SECTION] Drawn through the director

class CCRibbonDrawTest : public offscreen_test::OffscreenTest {
 protected:
  void SetUp() override {
    OffscreenTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    folder_ = std::make_unique<particle_test::ResourceFolder>();
    folder_->write("white.png", particle_test::solidPNG(16, 255, 255, 255));
  }
  void TearDown() override {
    if (folder_) {
      scene_ = nullptr;
      CCDirector::purgeSharedDirector();
      CCTextureCache::purgeSharedTextureCache();
      folder_.reset();
    }
    OffscreenTest::TearDown();
  }
  offscreen_test::Frame drawFor(double seconds) {
    scene();
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(seconds);
    platform::CapturedFrame captured = platform::captureLastPresentedFrame();
    return offscreen_test::Frame{captured.width, captured.height, std::move(captured.rgba)};
  }

  std::unique_ptr<particle_test::ResourceFolder> folder_;
};

TEST_F(CCRibbonDrawTest, RibbonDrawsAStripOfItsWidthInItsColour) {
  CCRibbon* ribbon = CCRibbon::ribbonWithWidth(20, "white.png", 64, kRedColour, 1);
  ASSERT_NE(nullptr, ribbon->texture());
  for (int x = 40; x <= 280; x += 30) ribbon->addPointAt(CGPointMake(static_cast<float>(x), 240), 20);
  scene()->addChild(ribbon);

  const offscreen_test::Frame frame = drawFor(0.05);
  ASSERT_EQ(offscreen_test::kWidth, frame.width);
  const offscreen_test::Rgba red{255, 0, 0, 255};
  const offscreen_test::Rgba black{0, 0, 0, 255};
  for (int x : {45, 160, 275}) {
    EXPECT_TRUE(offscreen_test::near(red, frame.at(x, 240), 3, 3)) << "x " << x;
    EXPECT_TRUE(offscreen_test::near(red, frame.at(x, 247), 3, 3)) << "x " << x;
    EXPECT_TRUE(offscreen_test::near(black, frame.at(x, 253), 3, 3)) << "x " << x << ": beyond half the width";
  }
  EXPECT_TRUE(offscreen_test::near(black, frame.at(30, 240), 3, 3)) << "before the first point";
  EXPECT_TRUE(offscreen_test::near(black, frame.at(290, 240), 3, 3)) << "after the last point";
}

TEST_F(CCRibbonDrawTest, MovingStreakLeavesATrailThatFadesWithAge) {
  CCMotionStreak* streak = CCMotionStreak::streakWithFade(2, 3, "white.png", 16, 64, ccc4(255, 255, 255, 255));
  ASSERT_NE(nullptr, streak);
  streak->setPosition(CGPointMake(40, 240));
  streak->runAction(CCMoveBy::actionWithDuration(1.0f, CGPointMake(240, 0)));
  scene()->addChild(streak);

  const offscreen_test::Frame frame = drawFor(1.2);
  ASSERT_EQ(offscreen_test::kWidth, frame.width);
  // Laid down at 240 points a second and seen about 1.2 s after the start:
  // the trail at x was made (x - 40) / 240 s in, so it is brighter further on.
  int previous = 0;
  for (int x : {60, 110, 160, 210, 260}) {
    const offscreen_test::Rgba p = frame.at(x, 240);
    const int expected = static_cast<int>(255.0 * (1.0 - (1.2 - (x - 40) / 240.0) / 2.0));
    EXPECT_NEAR(expected, p[0], 25) << "x " << x;
    EXPECT_GT(p[0], previous + 10) << "x " << x << ": newer trail is brighter";
    previous = p[0];
    EXPECT_TRUE(offscreen_test::near({0, 0, 0, 255}, frame.at(x, 260), 3, 3)) << "x " << x << ": off the trail";
  }
}

}  // namespace
