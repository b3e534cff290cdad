// The director's frames-per-second readout, drawn headless and read back, and
// the cache purges at its end and on a memory warning.

#include "tessera/CCDirector.h"

#include "SpriteTestSupport.h"
#include "platform/Application.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCBMFontConfiguration.h"
#include "tessera/CCLabelAtlas.h"
#include "tessera/CCLabelBMFont.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

using namespace sprite_test;
using platform::Ref;
using testing::ElementsAre;

namespace {

class DirectorFixture : public SpriteTestBase {
 protected:
  void SetUp() override {
    SpriteTestBase::SetUp();
    probe_ = EAGLView::viewWithFrame(CGRectMake(0, 0, 320, 480));
    if (!probe_) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
  }
  void TearDown() override {
    probe_ = nullptr;
    view_ = nullptr;
    CCTouchDispatcher::purgeSharedDispatcher();
    CCLabelBMFont::purgeCachedData();
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_Default);
    platform::Application::purgeSharedApplication();
    SpriteTestBase::TearDown();
  }

  platform::ManualClock clock_;
  Ref<EAGLView> probe_;
  Ref<EAGLView> view_;
};

// [SECTION] Frame-rate readout

// The digit strip "./0123456789" in 16x24 cells: '.' red, '0' green, the
// others blue.
class CCDirectorFPSTest : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    if (IsSkipped()) return;
    Picture digits(192, 24);
    digits.fill(0, 0, 192, 24, kBlue);
    digits.fill(0, 0, 16, 24, kRed);
    digits.fill(32, 0, 16, 24, kGreen);
    writePNG("fps_images.png", digits);
  }
  // A director on a laid-out RGBA view, one unit per pixel.
  CCDirector* director() {
    CCDirector* director = CCDirector::sharedDirector();
    view_ = EAGLView::viewWithFrame(CGRectMake(0, 0, 320, 480), platform::kEAGLColorFormatRGBA8);
    director->setOpenGLView(view_);
    director->setProjection(kCCDirectorProjection2D);
    view_->setNeedsLayout();
    platform::RunLoop::main().runOnce(false);
    return director;
  }
  // The last presented frame's pixels at x = 8, 24, 40, 56 and 72, 12 rows up
  // from the bottom: the middle of each readout character, then beyond.
  static std::string readoutRow() {
    const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
    std::string row;
    for (int x : {8, 24, 40, 56, 72}) {
      const std::uint8_t* p = &frame.rgba[(static_cast<std::size_t>(frame.height - 13) * frame.width + x) * 4];
      const Rgba colour{p[0], p[1], p[2], 255};
      row += colorNear(kRed, colour, 40) ? 'r' : colorNear(kGreen, colour, 40) ? 'g'
           : colorNear(kBlue, colour, 40) ? 'b' : colorNear(kBlack, colour, 40) ? '.' : '?';
    }
    return row;
  }
};

TEST_F(CCDirectorFPSTest, ReadoutShowsTheRateOncePastATenthOfASecondOnlyWhenOn) {
  CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGB5A1);
  CCDirector* director = this->director();
  CCLabelAtlas* readout = director->FPSLabel();
  ASSERT_NE(nullptr, readout) << "made when the view is set, even with the readout off";
  EXPECT_EQ(kCCTexture2DPixelFormat_RGBA4444, readout->texture()->pixelFormat());
  EXPECT_EQ(kCCTexture2DPixelFormat_RGB5A1, CCTexture2D::defaultAlphaPixelFormat()) << "restored";
  clock_.advance(0.5);
  director->drawScene();
  EXPECT_EQ("00.0", readout->string()) << "not counted while off";
  EXPECT_EQ(".....", readoutRow());

  // A decimal comma in the process locale must not reach the readout.
  const std::string previousLocale = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  director->setDisplayFPS(true);
  std::vector<std::string> readouts;
  // Five frames (the first of 0 s) make 0.12 s, past 0.1 s: 5 / 0.12 =
  // 41.67. Two of 50 ms make exactly 0.1 s, which is not past it; the third
  // makes 3 / 0.15 = 20.
  for (double dt : {0.0, 0.03, 0.03, 0.03, 0.03, 0.05, 0.05, 0.05}) {
    clock_.advance(dt);
    director->drawScene();
    readouts.push_back(readout->string());
    if (readouts.size() == 1) {
      EXPECT_EQ("ggrg.", readoutRow()) << "\"00.0\" at the bottom-left corner";
    }
  }
  std::setlocale(LC_NUMERIC, previousLocale.c_str());
  EXPECT_THAT(readouts, ElementsAre("00.0", "00.0", "00.0", "00.0", "41.7", "41.7", "41.7", "20.0"));
  EXPECT_EQ("bgrg.", readoutRow()) << "\"20.0\"";
}

// [SECTION] Purges

std::vector<std::string> g_deaths;
CCBMFontConfiguration* g_font = nullptr;
CCTexture2D* g_texture = nullptr;

// Notes which object died and the references the font configuration and the
// texture had left then: that tells which caches were already purged.
void noteDeath(const char* what) {
  g_deaths.push_back(std::string(what) + ": font " + std::to_string(g_font->retainCount()) + ", texture " +
                     std::to_string(g_texture->retainCount()));
}
class DyingAnimation : public CCAnimation {
  PLATFORM_CLASS(DyingAnimation, CCAnimation)
 protected:
  ~DyingAnimation() override { noteDeath("animation"); }
};
class DyingFrame : public CCSpriteFrame {
  PLATFORM_CLASS(DyingFrame, CCSpriteFrame)
 protected:
  ~DyingFrame() override { noteDeath("sprite frame"); }
};
class DyingTarget : public platform::Object {
  PLATFORM_CLASS(DyingTarget, platform::Object)
 protected:
  ~DyingTarget() override { noteDeath("scheduled target"); }
};
class DyingAction : public CCActionInterval {
  PLATFORM_CLASS(DyingAction, CCActionInterval)
 protected:
  ~DyingAction() override { noteDeath("action"); }
};

// One object held only by each of the animation cache, the sprite frame
// cache, the scheduler and the action manager; a font configuration and a
// texture that the test holds as well.
class CCDirectorPurgeTest : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    if (IsSkipped()) return;
    g_deaths.clear();
    writeText("f.fnt", "common lineHeight=10 base=8 scaleW=16 scaleH=16 pages=1\npage id=0 file=\"t.png\"\n");
    writePNG("t.png", Picture(2, 2));
    {
      platform::AutoreleasePool pool;  // counts then hold owners only
      font_ = CCBMFontConfiguration::cachedConfiguration("f.fnt");
      texture_ = CCTextureCache::sharedTextureCache()->addImage("t.png");
    }
    ASSERT_TRUE(font_ && texture_);
    g_font = font_.get();
    g_texture = texture_.get();

    Ref<DyingAnimation> animation = Ref<DyingAnimation>::adopt(new DyingAnimation());
    animation->init();
    CCAnimationCache::sharedAnimationCache()->addAnimation(animation, "a");
    Ref<DyingFrame> frame = Ref<DyingFrame>::adopt(new DyingFrame());
    frame->initWithTexture(texture_, CGRectMake(0, 0, 2, 2));
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFrame(frame, "f");
    CCScheduler::sharedScheduler()->scheduleUpdateForTarget(Ref<DyingTarget>::adopt(new DyingTarget()), 0, false);
    Ref<DyingAction> action = Ref<DyingAction>::adopt(new DyingAction());
    action->initWithDuration(10);
    Ref<CCNode> node = Ref<CCNode>::adopt(new CCNode());
    node->init();
    node->runAction(action);
  }
  void TearDown() override {
    DirectorFixture::TearDown();  // its purges still note deaths
    font_ = nullptr;
    texture_ = nullptr;
  }

  Ref<CCBMFontConfiguration> font_;
  Ref<CCTexture2D> texture_;
};

TEST_F(CCDirectorPurgeTest, EndPurgesFontsAnimationsFramesSchedulerActionsThenTextures) {
  CCDirector::sharedDirector()->end();
  EXPECT_THAT(g_deaths, ElementsAre("animation: font 1, texture 3", "sprite frame: font 1, texture 3",
                                    "scheduled target: font 1, texture 2", "action: font 1, texture 2"));
  EXPECT_EQ(1u, texture_->retainCount()) << "the texture cache went last";
}

TEST_F(CCDirectorPurgeTest, MemoryWarningDropsOnlyFontsAndTextures) {
  CCDirector::sharedDirector()->purgeCachedData();
  EXPECT_TRUE(g_deaths.empty());
  EXPECT_EQ(1u, font_->retainCount());
  EXPECT_EQ(2u, texture_->retainCount()) << "the cached frame still holds it";
  EXPECT_EQ(nullptr, CCTextureCache::sharedTextureCache()->textureForKey("t.png"));
}

}  // namespace
