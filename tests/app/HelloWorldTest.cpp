// The radar screen end to end: the real application launched headless on a
// manual clock, 1.5 s of frames, then the scene graph and the captured frame.

#include "AppTestSupport.h"

#include "platform/AdBannerView.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Random.h"
#include "tessera/CCDirector.h"
#include "tessera/CCSprite.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <regex>
#include <string>

using app_testing::LaunchedAppTest;

namespace {

struct Rgb {
  int r, g, b;
};

class RadarScreenTest : public LaunchedAppTest {
 protected:
  void SetUp() override {
    LaunchedAppTest::SetUp();
    if (HasFatalFailure()) return;
    // A fixed pseudo-random sequence, so the readouts are the same every run.
    platform::setArc4randomSource([state = std::uint32_t{12345}]() mutable {
      state = state * 1664525u + 1013904223u;
      return state;
    });
  }
  void TearDown() override {
    platform::setArc4randomSource({});
    LaunchedAppTest::TearDown();
  }

  // The frame presented last, checked to be the 480 × 320 landscape screen.
  platform::CapturedFrame capture() {
    platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    EXPECT_EQ(frame.width, 480);
    EXPECT_EQ(frame.height, 320);
    return frame;
  }
  // The pixel at (x, y) in screen points, origin bottom left as the layout uses.
  static Rgb pixel(const platform::CapturedFrame& frame, int x, int y) {
    const int row = frame.height - 1 - y;
    const std::size_t at = (static_cast<std::size_t>(row) * frame.width + x) * 4;
    return {frame.rgba[at], frame.rgba[at + 1], frame.rgba[at + 2]};
  }
  // Columns of near-white pixels in the box [x0, x1) × [y0, y1) (points).
  static std::vector<int> whiteColumns(const platform::CapturedFrame& frame, int x0, int x1, int y0, int y1) {
    std::vector<int> columns;
    for (int x = x0; x < x1; ++x) {
      for (int y = y0; y < y1; ++y) {
        const Rgb p = pixel(frame, x, y);
        if (p.r > 180 && p.g > 180 && p.b > 180) {
          columns.push_back(x);
          break;
        }
      }
    }
    return columns;
  }
  // Sum of green over a box, minus red: how much radar-green is there.
  static long greenness(const platform::CapturedFrame& frame, int x0, int x1, int y0, int y1) {
    long sum = 0;
    for (int x = x0; x < x1; ++x) {
      for (int y = y0; y < y1; ++y) {
        const Rgb p = pixel(frame, x, y);
        sum += p.g - p.r;
      }
    }
    return sum;
  }
  static CCLabelBMFont* labelWithText(HelloWorld* layer, const std::string& text) {
    for (std::uint32_t i = 0; i < layer->children()->count(); ++i) {
      auto* label = dynamic_cast<CCLabelBMFont*>(layer->children()->objectAtIndex(i));
      if (label && label->string() == text) return label;
    }
    return nullptr;
  }
};

// [SECTION] Scene graph

TEST_F(RadarScreenTest, LayoutMatchesTheScreenPlan) {
  launch();
  runFor(0.1);
  HelloWorld* layer = radar();
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->ghostwords().size(), 56u);

  struct Expected {
    CCLabelBMFont* label;
    float x, y;
  };
  const Expected labels[] = {{layer->title, 240, 300}, {layer->TL1, 50, 290},   {layer->TL2, 50, 280},
                             {layer->TL3, 50, 270},    {layer->ML1, 50, 160},   {layer->ML2, 50, 150},
                             {layer->ML3, 50, 140},    {layer->Tword1, 350, 290}, {layer->Tword2, 410, 290},
                             {layer->MR1, 410, 160},   {layer->LR1, 410, 140},  {layer->ghost, 410, 200}};
  for (const Expected& e : labels) {
    ASSERT_NE(e.label, nullptr);
    EXPECT_FLOAT_EQ(e.label->position().x, e.x);
    EXPECT_FLOAT_EQ(e.label->position().y, e.y);
    EXPECT_EQ(e.label->zOrder(), 999);
    EXPECT_EQ(e.label->parent(), layer);
  }
  EXPECT_EQ(layer->title->string(), "Spectrelink");

  CCLabelBMFont* instruction = labelWithText(layer, "Place your\nleft index\nfinger over fingerprint");
  ASSERT_NE(instruction, nullptr);
  EXPECT_TRUE(CGPointEqualToPoint(instruction->position(), CGPointMake(90, 60)));
  EXPECT_EQ(instruction->zOrder(), 999);

  // Base, pad and arm, in that order, in the batch node under the labels.
  ASSERT_NE(layer->spriteSheet, nullptr);
  EXPECT_EQ(layer->spriteSheet->zOrder(), 0);
  CCArray* pictures = layer->spriteSheet->children();
  ASSERT_EQ(pictures->count(), 3u);
  auto at = [&](std::uint32_t i) { return dynamic_cast<agsprite*>(pictures->objectAtIndex(i)); };
  ASSERT_NE(at(0), nullptr);
  EXPECT_TRUE(CGPointEqualToPoint(at(0)->position(), CGPointMake(240, 160)));
  EXPECT_TRUE(CGPointEqualToPoint(at(1)->position(), CGPointMake(140, 100)));
  EXPECT_EQ(at(2), layer->radararm);
  EXPECT_TRUE(CGPointEqualToPoint(layer->radararm->position(), CGPointMake(240, 160)));
  EXPECT_EQ(layer->radararm->hp(), 0);
}

TEST_F(RadarScreenTest, BannerStaysHiddenUntilAnAdLoadsThenShowsAlongTheBottom) {
  launch();
  runFor(0.5);
  platform::ADBannerView* banner = radar()->adBannerView();
  ASSERT_NE(banner, nullptr);
  EXPECT_EQ(banner->superview(), CCDirector::sharedDirector()->openGLView());
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), CGRectMake(0, 288, 480, 32)));
  EXPECT_TRUE(banner->isHidden());
  EXPECT_EQ(banner->delegate(), radar());
  const platform::CapturedFrame before = capture();

  runFor(1.0);
  EXPECT_FALSE(banner->isHidden());
  const platform::CapturedFrame after = capture();
  // The bottom strip changed from the GL drawing to the ad; the rows above did not gain it.
  int changed = 0;
  for (int x = 0; x < 480; x += 8) {
    const Rgb a = pixel(before, x, 16);
    const Rgb b = pixel(after, x, 16);
    if (a.r != b.r || a.g != b.g || a.b != b.b) ++changed;
  }
  EXPECT_GT(changed, 30);

  banner->failToReceiveAd({platform::ADError::Unknown, "test"});
  EXPECT_TRUE(banner->isHidden());
}

// [SECTION] After 1.5 s of frames

TEST_F(RadarScreenTest, AfterOneAndAHalfSecondsTheScreenShowsWhatItShould) {
  launch();
  runFor(1.5);
  HelloWorld* layer = radar();
  ASSERT_NE(layer, nullptr);

  // The arm has turned one and a half times, give or take two frames: the
  // scene enters on the first frame after that frame's tick, and an interval
  // action's first step applies fraction 0 (2 frames = 12 degrees).
  EXPECT_NEAR(layer->radararm->rotation(), 540.0f, 15.0f);
  EXPECT_LE(layer->radararm->rotation(), 540.0f);

  // The number readouts flickered to fresh six-digit readings.
  const std::regex sixDigits("[1-9][0-9]{5}");
  for (CCLabelBMFont* label : {layer->TL1, layer->TL2, layer->TL3, layer->ML1, layer->ML2, layer->ML3}) {
    EXPECT_TRUE(std::regex_match(label->string(), sixDigits)) << label->string();
  }
  EXPECT_NE(layer->TL1->string() + layer->ML1->string(), "999999999999");

  const platform::CapturedFrame frame = capture();
  ASSERT_FALSE(frame.rgba.empty());

  // The title's white glyphs straddle x = 240 around y = 300, about evenly.
  const std::vector<int> title = whiteColumns(frame, 160, 320, 292, 309);
  ASSERT_FALSE(title.empty());
  EXPECT_NEAR((title.front() + title.back()) / 2.0, 240.0, 3.0);
  EXPECT_GT(title.back() - title.front(), 40);  // "Spectrelink" is eleven glyphs wide

  // The readout columns are drawn at x = 50, the instruction at (90, 60).
  EXPECT_FALSE(whiteColumns(frame, 20, 80, 285, 296).empty());
  EXPECT_FALSE(whiteColumns(frame, 20, 80, 135, 146).empty());
  EXPECT_FALSE(whiteColumns(frame, 20, 160, 45, 75).empty());

  // 540 degrees draws like 180: the arm points down from the centre and its
  // glowing trail lies counter-clockwise of it, in the lower right quarter.
  // The same box mirrored into the upper quarters has only the dark disc.
  const long trail = greenness(frame, 262, 282, 60, 120);
  const long upperRight = greenness(frame, 262, 282, 200, 260);
  const long upperLeft = greenness(frame, 198, 218, 200, 260);
  EXPECT_GT(trail, upperRight + 20 * 60 * 30);
  EXPECT_GT(trail, upperLeft + 20 * 60 * 30);

  // The finger pad's green frame surrounds (140, 100).
  EXPECT_GT(greenness(frame, 118, 162, 74, 126), 44 * 52 * 20);

  // The banner is visible after its first load, along the bottom edge.
  ASSERT_NE(layer->adBannerView(), nullptr);
  EXPECT_FALSE(layer->adBannerView()->isHidden());
}

// [SECTION] Reproducible runs

// The real random sources, seeded from the facts at every launch.
class RadarSeedTest : public LaunchedAppTest {
 protected:
  struct Run {
    platform::CapturedFrame frame;
    std::string readouts;
  };
  // Launches with `seed` (none: the default rule) on the fake clock, runs
  // 1.5 s of frames, captures, and tears the launch down for the next run.
  Run runWithSeed(std::optional<std::uint64_t> seed) {
    platform::facts().fakeClock = true;
    platform::facts().seed = seed;
    launch();
    runFor(1.5);
    Run run;
    run.frame = platform::captureLastPresentedFrame();
    if (HelloWorld* layer = radar()) {
      for (CCLabelBMFont* label : {layer->TL1, layer->TL2, layer->TL3, layer->ML1, layer->ML2, layer->ML3}) {
        run.readouts += label->string() + " ";
      }
    }
    TearDown();
    SetUp();
    return run;
  }
};

TEST_F(RadarSeedTest, SameSeedGivesTheSameCaptureAndAnotherSeedOtherReadouts) {
  const Run first = runWithSeed(std::nullopt);  // the fake clock's fixed seed
  const Run second = runWithSeed(std::nullopt);
  ASSERT_EQ(first.frame.width, 480);
  EXPECT_EQ(first.readouts, second.readouts);
  EXPECT_TRUE(first.frame.rgba == second.frame.rgba) << "captures of two runs differ";

  const Run fixedSeed = runWithSeed(platform::kFakeClockSeed);
  EXPECT_EQ(fixedSeed.readouts, first.readouts);
  const Run otherSeed = runWithSeed(7);
  EXPECT_NE(otherSeed.readouts, first.readouts);
  EXPECT_FALSE(otherSeed.frame.rgba == first.frame.rgba);
}

}  // namespace
