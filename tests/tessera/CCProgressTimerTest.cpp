// Progress timers: geometry rules, and pixels drawn through the real director
// (display-refresh director on a manual clock, frames presented headless and
// read back). Each test skips when no GL context can be made.
//
// The timer shows a 64 x 64 opaque white texture in the middle of a black
// 320 x 480 screen; the covered area is counted in pixels and compared with
// the area the sector or bar should cover. The default 3-D projection may
// move an edge by a pixel, so counts allow a band one pixel wide along the
// shape's edges.

#include "DirectorTestSupport.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCActionTween.h"
#include "tessera/CCDirector.h"
#include "tessera/CCProgressFromTo.h"
#include "tessera/CCProgressTimer.h"
#include "tessera/CCProgressTo.h"
#include "tessera/CCScene.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

using platform::Ref;

namespace {

constexpr int kSide = 64;
constexpr int kCentreColumn = 160;
constexpr int kCentreRow = 240;  // rows count down from the top

struct Coverage {
  int count = 0;
  // Covered pixels in each quadrant about the centre: top right, bottom
  // right, bottom left, top left (clockwise from 12 o'clock).
  int quadrant[4] = {};
};

class CCProgressTimerTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().headless = true;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director_->setPixelFormat(kCCPixelFormatRGBA8888);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_TRUE(director_->attachInWindow(window_.get()));

    std::vector<std::uint8_t> white(kSide * kSide * 4, 255);
    auto* texture = new CCTexture2D();
    ASSERT_TRUE(texture->initWithData(white.data(), kCCTexture2DPixelFormat_RGBA8888, kSide, kSide,
                                      CGSizeMake(kSide, kSide)));
    texture_ = Ref<CCTexture2D>::adopt(texture);
  }
  void TearDown() override {
    timer_ = nullptr;
    texture_ = nullptr;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  CCProgressTimer* makeTimer(std::int32_t type) {
    timer_ = CCProgressTimer::progressWithTexture(texture_.get());
    timer_->setType(type);
    timer_->setPosition(CGPointMake(kCentreColumn, 480 - kCentreRow));
    return timer_.get();
  }

  // Runs a scene holding the timer (once), draws a few frames and counts the
  // white pixels.
  Coverage draw() {
    if (!started_) {
      CCScene* scene = CCScene::node();
      scene->addChild(timer_.get());
      director_->runWithScene(scene);
      window_->makeKeyAndVisible();
      started_ = true;
    }
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(0.05);
    const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    Coverage coverage;
    for (int row = 0; row < frame.height; ++row) {
      for (int column = 0; column < frame.width; ++column) {
        const std::uint8_t* p = &frame.rgba[(static_cast<std::size_t>(row) * frame.width + column) * 4];
        if (p[0] < 128 || p[1] < 128 || p[2] < 128) continue;
        ++coverage.count;
        const bool right = column >= kCentreColumn, top = row < kCentreRow;
        coverage.quadrant[top ? (right ? 0 : 3) : (right ? 1 : 2)]++;
      }
    }
    return coverage;
  }

  platform::ManualClock clock_;
  CCDirectorIOS* director_ = nullptr;
  Ref<platform::Window> window_;
  Ref<CCTexture2D> texture_;
  Ref<CCProgressTimer> timer_;
  bool started_ = false;
};

// [SECTION] Geometry

TEST_F(CCProgressTimerTest, RadialFanHasTheAnchorTwelveOClockPassedCornersAndTheHit) {
  CCProgressTimer* timer = makeTimer(kCCProgressTimerTypeRadialCCW);
  EXPECT_EQ(0, timer->vertexDataCount());  // nothing before the first change
  timer->setType(kCCProgressTimerTypeRadialCW);
  EXPECT_EQ(3, timer->vertexDataCount());  // 0 %: the anchor and 12 o'clock twice
  timer->setPercentage(25);
  ASSERT_EQ(4, timer->vertexDataCount());
  const auto& v = timer->vertexData();
  EXPECT_FLOAT_EQ(0.5f, v[0].texCoords.u);
  EXPECT_FLOAT_EQ(0.5f, v[0].texCoords.v);
  EXPECT_FLOAT_EQ(0.5f, v[1].texCoords.u);
  EXPECT_FLOAT_EQ(0.0f, v[1].texCoords.v);
  EXPECT_FLOAT_EQ(1.0f, v[2].texCoords.u);  // the top-right corner, passed
  EXPECT_FLOAT_EQ(0.0f, v[2].texCoords.v);
  EXPECT_FLOAT_EQ(1.0f, v[3].texCoords.u);  // the hit, on the right edge
  EXPECT_NEAR(0.5f, v[3].texCoords.v, 1e-6);
  // Positions are pixels of the image, y up.
  EXPECT_FLOAT_EQ(64, v[3].vertices.x);
  EXPECT_NEAR(32, v[3].vertices.y, 1e-4);

  timer->setPercentage(100);
  ASSERT_EQ(7, timer->vertexDataCount());
  EXPECT_FLOAT_EQ(0.5f, timer->vertexData()[6].texCoords.u);
  EXPECT_FLOAT_EQ(0.0f, timer->vertexData()[6].texCoords.v);
  timer->setPercentage(0);
  EXPECT_EQ(3, timer->vertexDataCount());
}

TEST_F(CCProgressTimerTest, PercentageIsClampedAndBarsMoveTheirFreeEdge) {
  CCProgressTimer* timer = makeTimer(kCCProgressTimerTypeHorizontalBarLR);
  timer->setPercentage(150);
  EXPECT_EQ(100, timer->percentage());
  timer->setPercentage(-5);
  EXPECT_EQ(0, timer->percentage());
  timer->setPercentage(NAN);
  EXPECT_EQ(0, timer->percentage());
  timer->setPercentage(50);
  ASSERT_EQ(4, timer->vertexDataCount());
  EXPECT_FLOAT_EQ(0.5f, timer->vertexData()[2].texCoords.u);
  EXPECT_FLOAT_EQ(0.5f, timer->vertexData()[3].texCoords.u);
  EXPECT_FLOAT_EQ(0.0f, timer->vertexData()[0].texCoords.u);

  // A type change rebuilds the geometry at once for the same percentage.
  timer->setType(kCCProgressTimerTypeRadialCCW);
  EXPECT_EQ(5, timer->vertexDataCount());  // two corners passed at 50 %
  timer->setType(99);
  EXPECT_EQ(0, timer->vertexDataCount());  // an unknown type draws nothing
}

TEST_F(CCProgressTimerTest, DrawSetsTheSpritesBlendFunctionAndRestoresTheDefault) {
  CCProgressTimer* timer = makeTimer(kCCProgressTimerTypeRadialCW);
  timer->sprite()->setBlendFunc({GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA});
  timer->setPercentage(40);
  timer->draw();
  GLint source = 0, destination = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(GL_ONE, source);
  EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, destination);
}

TEST_F(CCProgressTimerTest, FileThatCannotBeLoadedInvalid) {
  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, CCProgressTimer::progressWithFile("no-such-image.png"));
  EXPECT_NE(std::string::npos, log.text().find("no-such-image.png"));
  EXPECT_EQ(nullptr, CCProgressTimer::progressWithTexture(nullptr));
}

// [SECTION] Pixels

struct RadialCase {
  float percent;
  // Covered pixels expected in each quadrant, clockwise from top right, for
  // the clockwise type; the counter-clockwise type mirrors them left to right.
  int quadrant[4];
};

TEST_F(CCProgressTimerTest, RadialCoversTheSectorInBothDirections) {
  constexpr int q = 32 * 32;  // a full quadrant
  const RadialCase cases[] = {
      {0, {0, 0, 0, 0}},         {12.5f, {q / 2, 0, 0, 0}}, {25, {q, 0, 0, 0}},
      {50, {q, q, 0, 0}},        {62.5f, {q, q, q / 2, 0}}, {100, {q, q, q, q}},
  };
  makeTimer(kCCProgressTimerTypeRadialCW);
  for (std::int32_t type : {kCCProgressTimerTypeRadialCW, kCCProgressTimerTypeRadialCCW}) {
    timer_->setType(type);
    for (const RadialCase& c : cases) {
      timer_->setPercentage(c.percent);
      const Coverage coverage = draw();
      for (int i = 0; i < 4; ++i) {
        // Counter-clockwise fills top left, bottom left, bottom right, top right.
        const int quadrant = type == kCCProgressTimerTypeRadialCW ? i : 3 - i;
        // A filled edge of a quadrant may gain or lose a pixel row or column;
        // a half quadrant's diagonal a pixel along its length.
        EXPECT_NEAR(c.quadrant[i], coverage.quadrant[quadrant], 2 * 33 + 2)
            << "type " << type << " at " << c.percent << " %, quadrant " << quadrant;
      }
    }
  }
}

TEST_F(CCProgressTimerTest, BarsGrowFromTheirEdge) {
  struct BarCase {
    std::int32_t type;
    int quadrant[4];  // at 50 %: top right, bottom right, bottom left, top left
  };
  constexpr int q = 32 * 32;
  const BarCase cases[] = {
      {kCCProgressTimerTypeHorizontalBarLR, {0, 0, q, q}},
      {kCCProgressTimerTypeHorizontalBarRL, {q, q, 0, 0}},
      {kCCProgressTimerTypeVerticalBarBT, {0, q, q, 0}},
      {kCCProgressTimerTypeVerticalBarTB, {q, 0, 0, q}},
  };
  makeTimer(kCCProgressTimerTypeHorizontalBarLR);
  for (const BarCase& c : cases) {
    timer_->setType(c.type);
    timer_->setPercentage(50);
    const Coverage half = draw();
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(c.quadrant[i], half.quadrant[i], 2 * 33) << "type " << c.type;
    timer_->setPercentage(100);
    EXPECT_NEAR(kSide * kSide, draw().count, 4 * 65) << "type " << c.type;
    timer_->setPercentage(0);
    EXPECT_EQ(0, draw().count) << "type " << c.type;
  }
}

// [SECTION] Progress actions

TEST_F(CCProgressTimerTest, ProgressActionsRunThePercentage) {
  CCProgressTimer* timer = makeTimer(kCCProgressTimerTypeVerticalBarBT);
  timer->setPercentage(100);
  // A full bar starts again from empty; a partial one from where it is.
  CCProgressTo* to = CCProgressTo::actionWithDuration(1, 100);
  to->startWithTarget(timer);
  to->update(0.25f);
  EXPECT_FLOAT_EQ(25, timer->percentage());
  timer->setPercentage(50);
  to->startWithTarget(timer);
  to->update(0.5f);
  EXPECT_FLOAT_EQ(75, timer->percentage());

  CCProgressFromTo* fromTo = CCProgressFromTo::actionWithDuration(2, 80, 20);
  auto* back = fromTo->reverse();
  EXPECT_EQ(2, back->duration());
  back->startWithTarget(timer);
  back->update(0);
  EXPECT_FLOAT_EQ(20, timer->percentage());
  back->update(1);
  EXPECT_FLOAT_EQ(80, timer->percentage());

  // The tween finds "percentage" on the timer by name.
  CCActionTween* tween = CCActionTween::actionWithDuration(1, "percentage", 10, 30);
  tween->startWithTarget(timer);
  tween->update(0.5f);
  EXPECT_FLOAT_EQ(20, timer->percentage());
}

}  // namespace
