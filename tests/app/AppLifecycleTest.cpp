#include "AppTestSupport.h"

#include "RootViewController.h"

#include "platform/AdBannerView.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Screen.h"
#include "platform/Touch.h"
#include "platform/ViewOverlays.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using app_testing::LaunchedAppTest;

namespace {

// The six number readouts and the arm's angle: what a running frame changes.
struct RadarState {
  std::array<std::string, 6> numbers;
  float armRotation = 0;
  bool operator==(const RadarState&) const = default;
};

RadarState radarState(HelloWorld* radar) {
  RadarState state;
  const std::array<CCLabelBMFont*, 6> labels{radar->TL1, radar->TL2, radar->TL3,
                                             radar->ML1, radar->ML2, radar->ML3};
  for (std::size_t i = 0; i < labels.size(); ++i) state.numbers[i] = labels[i]->string();
  state.armRotation = radar->radararm->rotation();
  return state;
}

class AppLifecycleTest : public LaunchedAppTest {
 protected:
  void SetUp() override {
    LaunchedAppTest::SetUp();
    if (HasFatalFailure()) return;
    launch();
    runFor(0.5);
    ASSERT_NE(radar(), nullptr);
    ASSERT_NE(radar()->radararm, nullptr);
  }
};

// [SECTION] Launch

TEST_F(AppLifecycleTest, LaunchDrivesTheDisplayLinkDirectorInLandscape) {
  CCDirector* director = CCDirector::existingDirector();
  ASSERT_NE(director, nullptr);
  EXPECT_STREQ(director->className(), "CCDirectorDisplayLink");
  EXPECT_EQ(director->animationInterval(), 0.016666666666666666);
  EXPECT_FALSE(director->displayFPS());
  EXPECT_EQ(dynamic_cast<CCDirectorIOS*>(director)->deviceOrientation(), kCCDeviceOrientationPortrait);
  EXPECT_EQ(CCTexture2D::defaultAlphaPixelFormat(), kCCTexture2DPixelFormat_RGBA8888);

  EAGLView* glView = director->openGLView();
  ASSERT_NE(glView, nullptr);
  EXPECT_EQ(delegate()->viewController()->view(), glView);
  EXPECT_TRUE(delegate()->viewController()->wantsFullScreenLayout());
  EXPECT_EQ(glView->superview(), delegate()->window());
  EXPECT_TRUE(delegate()->window()->isKeyWindow());
  // The launch rotation turned the view to landscape.
  EXPECT_TRUE(CGRectEqualToRect(glView->frame(), CGRectMake(0, 0, 480, 320)));
  EXPECT_EQ(delegate()->viewController()->interfaceOrientation(), 3);
  EXPECT_GT(presentedFrames(), 25);  // about 30 in half a second
}

using AppLaunchTest = LaunchedAppTest;

TEST_F(AppLaunchTest, SystemBelow31GetsTheTimerDirector) {
  platform::facts().systemVersion = "3.0";
  launch();
  runFor(0.2);
  ASSERT_NE(CCDirector::existingDirector(), nullptr);
  EXPECT_STREQ(CCDirector::existingDirector()->className(), "CCDirectorTimer");
  EXPECT_NE(radar(), nullptr);
  EXPECT_GT(presentedFrames(), 5);
}

TEST_F(AppLaunchTest, WithoutTheAdServiceTheScreenRunsWithoutABanner) {
  platform::facts().adServiceAvailable = false;
  platform::registerAdService();
  launch();
  runFor(1.5);
  ASSERT_NE(radar(), nullptr);
  EXPECT_EQ(radar()->adBannerView(), nullptr);
  EXPECT_TRUE(CCDirector::sharedDirector()->openGLView()->subviews().empty());
}

// [SECTION] Rotation

TEST_F(AppLifecycleTest, OnlyLandscapeIsAllowedAndItSwapsTheScreenSize) {
  RootViewController* controller = delegate()->viewController();
  EXPECT_FALSE(controller->shouldAutorotateToInterfaceOrientation(1));
  EXPECT_FALSE(controller->shouldAutorotateToInterfaceOrientation(2));
  EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(3));
  EXPECT_TRUE(controller->shouldAutorotateToInterfaceOrientation(4));
  EXPECT_FALSE(controller->shouldAutorotateToInterfaceOrientation(0));

  EAGLView* glView = CCDirector::sharedDirector()->openGLView();
  controller->willRotateToInterfaceOrientation(1, 0.3);
  EXPECT_TRUE(CGRectEqualToRect(glView->frame(), CGRectMake(0, 0, 320, 480)));
  controller->willRotateToInterfaceOrientation(4, 0.3);
  EXPECT_TRUE(CGRectEqualToRect(glView->frame(), CGRectMake(0, 0, 480, 320)));

  // At content scale 2 the size (not the origin) doubles.
  platform::facts().screenScale = 2;
  auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
  director->setContentScaleFactor(2);
  controller->willRotateToInterfaceOrientation(3, 0);
  EXPECT_TRUE(CGRectEqualToRect(glView->frame(), CGRectMake(0, 0, 960, 640)));
}

// [SECTION] Lifecycle events

TEST_F(AppLifecycleTest, ResignActivePausesAtFourFramesASecondWithReadoutsFrozen) {
  application()->resignActive();
  runFor(0.3);  // the frame in flight
  const RadarState before = radarState(radar());
  const int framesBefore = presentedFrames();
  runFor(2.0);
  EXPECT_TRUE(CCDirector::sharedDirector()->isPaused());
  EXPECT_EQ(radarState(radar()), before);
  EXPECT_NEAR(presentedFrames() - framesBefore, 8, 1);
}

TEST_F(AppLifecycleTest, BecomeActiveResumesWithoutCountingThePausedTime) {
  application()->resignActive();
  runFor(3.0);
  const float pausedAt = radar()->radararm->rotation();
  application()->becomeActive();
  runFor(0.5);
  EXPECT_FALSE(CCDirector::sharedDirector()->isPaused());
  // Half a second of frames turns the arm by about 180 degrees, not 3.5 s worth.
  EXPECT_NEAR(radar()->radararm->rotation() - pausedAt, 180.0f, 12.0f);
}

TEST_F(AppLifecycleTest, BackgroundStopsFramesAndForegroundStartsThem) {
  application()->enterBackground();
  const int framesBefore = presentedFrames();
  const float rotationBefore = radar()->radararm->rotation();
  runFor(2.0);
  EXPECT_EQ(presentedFrames(), framesBefore);
  EXPECT_EQ(radar()->radararm->rotation(), rotationBefore);

  application()->enterForeground();
  application()->becomeActive();
  runFor(1.0);
  EXPECT_GT(presentedFrames() - framesBefore, 50);
  EXPECT_GT(radar()->radararm->rotation(), rotationBefore);
}

// Out of line: inlined here, GCC 12 at -O2 warns falsely (-Wstringop-overflow)
// about the atomic load behind retainCount().
[[gnu::noinline]] uint32_t referencesTo(const platform::Object* object) { return object->retainCount(); }

TEST_F(AppLifecycleTest, MemoryWarningDropsTheTextureCacheAndFramesGoOn) {
  CCTexture2D* sheetTexture = radar()->spriteSheet->texture();
  ASSERT_NE(sheetTexture, nullptr);
  platform::Ref<CCTexture2D> keep(sheetTexture);
  const uint32_t countBefore = referencesTo(sheetTexture);
  application()->receiveMemoryWarning();
  EXPECT_EQ(referencesTo(sheetTexture), countBefore - 1);  // the cache's reference is gone
  const int framesBefore = presentedFrames();
  runFor(0.5);
  EXPECT_GT(presentedFrames() - framesBefore, 25);
  EXPECT_FALSE(CCDirector::sharedDirector()->isPaused());
}

TEST_F(AppLifecycleTest, ClockChangeMakesTheNextDeltaTimeZero) {
  clock_.set({clock_.now().seconds + 3600, 0});  // the wall clock jumps an hour
  application()->significantTimeChange();
  EXPECT_TRUE(CCDirector::sharedDirector()->nextDeltaTimeZero());
  const float before = radar()->radararm->rotation();
  runFor(0.1);
  // Six frames of 1/60 s turn the arm by about 36 degrees; the hour is not counted.
  EXPECT_NEAR(radar()->radararm->rotation() - before, 30.0f, 10.0f);
  EXPECT_FALSE(CCDirector::sharedDirector()->nextDeltaTimeZero());
}

TEST_F(AppLifecycleTest, TerminateDetachesTheViewAndEndsTheDirector) {
  platform::Ref<EAGLView> glView(CCDirector::sharedDirector()->openGLView());
  application()->terminate();
  EXPECT_EQ(glView->superview(), nullptr);
  EXPECT_EQ(delegate()->window(), nullptr);
  EXPECT_EQ(delegate()->viewController(), nullptr);
  CCDirector* director = CCDirector::existingDirector();
  ASSERT_NE(director, nullptr);
  EXPECT_EQ(director->runningScene(), nullptr);
  EXPECT_EQ(director->openGLView(), nullptr);
}

// [SECTION] Ad actions

// A tap at `point` (window points) delivered as the window delivers one: to
// the view hit there, began then ended. Returns the view that got it.
platform::View* tapAt(platform::Window* window, CGPoint point) {
  platform::View* hit = window->hitTest(point);
  if (hit == nullptr) return nullptr;
  platform::Ref<platform::View> keep(hit);
  platform::Touch* touch = platform::Touch::touch();
  touch->setView(hit);
  touch->setLocation(hit->convertPointFromView(point, nullptr));
  platform::TouchSet touches{touch};
  touch->setPhase(platform::TouchPhase::Began);
  hit->touchesBegan(&touches, platform::Event::event());
  touch->setPhase(platform::TouchPhase::Ended);
  hit->touchesEnded(&touches, platform::Event::event());
  return hit;
}

CGPoint centreOf(const CGRect& rect) {
  return CGPointMake(rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2);
}

std::array<int, 3> rgbAt(const platform::CapturedFrame& frame, int x, int y) {  // top-left origin
  const std::size_t at = (static_cast<std::size_t>(y) * frame.width + x) * 4;
  return {frame.rgba[at], frame.rgba[at + 1], frame.rgba[at + 2]};
}

TEST_F(AppLifecycleTest, AdActionStopsTheDirectorButTheAdIsShownWithACloseBox) {
  runFor(platform::ADBannerView::kFirstLoadDelay);
  platform::ADBannerView* banner = radar()->adBannerView();
  ASSERT_NE(banner, nullptr);
  ASSERT_TRUE(banner->isBannerLoaded());
  EXPECT_FALSE(banner->isHidden());
  platform::Window* window = delegate()->window();
  const platform::CapturedFrame radarFrame = platform::captureLastPresentedFrame();

  // Tap the banner along the bottom edge.
  EXPECT_EQ(tapAt(window, centreOf(banner->convertRectToView(banner->bounds(), nullptr))), banner);
  ASSERT_TRUE(banner->isBannerViewActionInProgress());
  EXPECT_TRUE(CCDirector::sharedDirector()->isPaused());
  const int framesBefore = presentedFrames();
  const RadarState before = radarState(radar());
  runFor(2.0);
  EXPECT_EQ(radarState(radar()), before);  // the director drew nothing
  // The platform still showed the ad over the last frame: once, on the change.
  EXPECT_EQ(presentedFrames(), framesBefore + 1);

  const platform::CapturedFrame adFrame = platform::captureLastPresentedFrame();
  ASSERT_EQ(adFrame.width, 480);
  ASSERT_EQ(adFrame.height, 320);
  platform::Image* ad = banner->currentImage();
  ASSERT_NE(ad, nullptr);
  // The full-screen picture covers the screen: its middle pixel is the ad's.
  const auto adPixel = ad->premultipliedPixel(ad->width() / 2, ad->height() / 2);
  const auto middle = rgbAt(adFrame, 240, 160);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(middle[c], adPixel[c], 2) << "channel " << c;
  EXPECT_NE(rgbAt(adFrame, 240, 160), rgbAt(radarFrame, 240, 160));
  // The close box: white cross at its centre, dark face beside the cross, in
  // the top-right corner.
  const CGRect box = banner->convertRectToView(banner->closeBoxFrame(), nullptr);
  EXPECT_TRUE(CGRectEqualToRect(box, CGRectMake(452, 4, 24, 24)));
  EXPECT_EQ(rgbAt(adFrame, 464, 16), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(rgbAt(adFrame, 464, 9), (std::array<int, 3>{48, 48, 48}));

  // Tapping the close box ends the action and the director runs as before.
  EXPECT_EQ(tapAt(window, centreOf(box)), banner);
  EXPECT_FALSE(banner->isBannerViewActionInProgress());
  EXPECT_FALSE(CCDirector::sharedDirector()->isPaused());
  EXPECT_TRUE(CGRectEqualToRect(banner->frame(), CGRectMake(0, 288, 480, 32)));
  const int framesAfterClose = presentedFrames();
  runFor(0.5);
  EXPECT_GT(presentedFrames() - framesAfterClose, 25);
  EXPECT_NEAR(radar()->radararm->rotation() - before.armRotation, 180.0f, 12.0f);
  EXPECT_TRUE(platform::lastPresentedOverlays().overlays.size() == 1);  // the banner alone again
}

TEST_F(AppLifecycleTest, EscapeClosesTheFullScreenAdAndNothingElse) {
  runFor(platform::ADBannerView::kFirstLoadDelay);
  platform::ADBannerView* banner = radar()->adBannerView();
  ASSERT_NE(banner, nullptr);
  EXPECT_FALSE(platform::finishBannerViewActions());  // no ad open: nothing happens
  EXPECT_FALSE(CCDirector::sharedDirector()->isPaused());
  banner->click();
  ASSERT_TRUE(banner->isBannerViewActionInProgress());
  EXPECT_TRUE(platform::finishBannerViewActions());
  EXPECT_FALSE(banner->isBannerViewActionInProgress());
  const int framesBefore = presentedFrames();
  runFor(0.5);
  EXPECT_GT(presentedFrames() - framesBefore, 25);
}

TEST_F(AppLifecycleTest, ActionThatLeavesTheApplicationKeepsTheDirectorRunning) {
  EXPECT_TRUE(radar()->bannerViewActionShouldBegin(radar()->adBannerView(), true));
  EXPECT_FALSE(CCDirector::sharedDirector()->isPaused());
  const int framesBefore = presentedFrames();
  runFor(0.5);
  EXPECT_GT(presentedFrames() - framesBefore, 25);
}

}  // namespace
