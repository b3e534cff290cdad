// Scenes of colour layers drawn end to end: the display-refresh director on a
// manual clock, its GL view attached to a window, frames presented and read
// back. Every test skips when no GL context can be made.
//
// The default 3-D projection shows 0.16 % more than one unit per pixel about
// the centre, so layer edges may land one pixel off; edges are compared with
// a tolerance of 1 pixel and colours are sampled at least 3 pixels inside.

#include "DirectorTestSupport.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "tessera/ccMacros.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using platform::Ref;

namespace {

struct Rgb {
  int r, g, b;
};

// The bounding box of the pixels of one colour: columns [left, right), rows
// from the top [top, bottom).
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int count = 0;
};

constexpr ccColor4B kBlue = {0, 0, 255, 255};
constexpr ccColor4B kRed = {255, 0, 0, 255};
// The red layer, in scene points: x 40...140, y 60...110 from the bottom left.
constexpr CGRect kRedRect = {{40, 60}, {100, 50}};

class SceneRenderingTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().headless = true;  // present only records the frame
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
  }
  void TearDown() override {
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  // The display-refresh director drawing into a portrait 320 x 480 window,
  // in the given colour format, orientation and content scale. Layers made
  // afterwards take the (possibly turned) window size.
  CCDirectorIOS* startDirector(int pixelFormat, int orientation = kCCDeviceOrientationPortrait, float scale = 1) {
    EXPECT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director->setPixelFormat(pixelFormat);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    EXPECT_TRUE(director->attachInWindow(window_.get()));
    director->setDeviceOrientation(orientation);
    director->setContentScaleFactor(scale);
    return director;
  }

  // Shows the window, runs `scene` for a few frames and reads the last one back.
  platform::CapturedFrame run(CCDirector* director, CCScene* scene) {
    platform::forgetLastPresentedFrame();
    director->runWithScene(scene);
    window_->makeKeyAndVisible();
    platform::RunLoop::main().runFor(0.1);
    return platform::captureLastPresentedFrame();
  }

  // Blue behind everything, the red layer at kRedRect.
  static CCScene* blueSceneWithRedLayer() {
    CCScene* scene = CCScene::node();
    scene->addChild(CCLayerColor::layerWithColor(kBlue));
    CCLayerColor* red = CCLayerColor::layerWithColor(kRed, kRedRect.size.width, kRedRect.size.height);
    red->setPosition(kRedRect.origin);
    scene->addChild(red);
    return scene;
  }

  static Rgb at(const platform::CapturedFrame& frame, int column, int row) {
    const std::uint8_t* p = &frame.rgba[(static_cast<std::size_t>(row) * frame.width + column) * 4];
    return Rgb{p[0], p[1], p[2]};
  }

  static testing::AssertionResult near(const platform::CapturedFrame& frame, int column, int row, Rgb want,
                                       int tolerance) {
    if (column < 0 || row < 0 || column >= frame.width || row >= frame.height) {
      return testing::AssertionFailure() << "(" << column << ", " << row << ") is outside the "
                                         << frame.width << " x " << frame.height << " frame";
    }
    const Rgb got = at(frame, column, row);
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "pixel (" << column << ", " << row << ") is (" << got.r << ", " << got.g
                                       << ", " << got.b << "), wanted (" << want.r << ", " << want.g << ", "
                                       << want.b << ") +- " << tolerance;
  }

  static Box boxOf(const platform::CapturedFrame& frame, Rgb colour) {
    Box box{frame.width, frame.height, 0, 0, 0};
    for (int row = 0; row < frame.height; ++row) {
      for (int column = 0; column < frame.width; ++column) {
        const Rgb p = at(frame, column, row);
        if (std::abs(p.r - colour.r) > 5 || std::abs(p.g - colour.g) > 5 || std::abs(p.b - colour.b) > 5) continue;
        box.left = std::min(box.left, column);
        box.top = std::min(box.top, row);
        box.right = std::max(box.right, column + 1);
        box.bottom = std::max(box.bottom, row + 1);
        ++box.count;
      }
    }
    return box;
  }

  static void expectBox(const Box& box, int left, int top, int right, int bottom) {
    EXPECT_NEAR(left, box.left, 1);
    EXPECT_NEAR(top, box.top, 1);
    EXPECT_NEAR(right, box.right, 1);
    EXPECT_NEAR(bottom, box.bottom, 1);
    // Solid: nothing else inside the box.
    EXPECT_EQ((box.right - box.left) * (box.bottom - box.top), box.count);
  }

  // The four pixels one in from the corners show the background.
  static void expectCorners(const platform::CapturedFrame& frame, Rgb colour) {
    const int w = frame.width - 2, h = frame.height - 2;
    EXPECT_TRUE(near(frame, 1, 1, colour, 0));
    EXPECT_TRUE(near(frame, w, 1, colour, 0));
    EXPECT_TRUE(near(frame, 1, h, colour, 0));
    EXPECT_TRUE(near(frame, w, h, colour, 0));
  }

  platform::ManualClock clock_;
  Ref<platform::Window> window_;
};

// [SECTION] Colour layers in the three layouts

TEST_F(SceneRenderingTest, PortraitDrawsTheLayersWhereTheirPositionsSay) {
  CCDirectorIOS* director = startDirector(kCCPixelFormatRGBA8888);
  const platform::CapturedFrame frame = run(director, blueSceneWithRedLayer());
  ASSERT_EQ(320, frame.width);
  ASSERT_EQ(480, frame.height);
  expectCorners(frame, {0, 0, 255});
  // Engine y counts up from the bottom; rows count down from the top.
  expectBox(boxOf(frame, {255, 0, 0}), 40, 480 - 110, 140, 480 - 60);
}

TEST_F(SceneRenderingTest, LandscapeLeftTurnsTheSceneOntoThePortraitSurface) {
  // The scene is 480 x 320; its point (x, y) lands on the portrait surface at
  // column y, row x from the top.
  CCDirectorIOS* director = startDirector(kCCPixelFormatRGBA8888, kCCDeviceOrientationLandscapeLeft);
  ASSERT_EQ(480.0f, director->winSize().width);
  const platform::CapturedFrame frame = run(director, blueSceneWithRedLayer());
  ASSERT_EQ(320, frame.width);
  ASSERT_EQ(480, frame.height);
  expectCorners(frame, {0, 0, 255});  // the turned full-screen layer still covers it all
  expectBox(boxOf(frame, {255, 0, 0}), 60, 40, 110, 140);
}

TEST_F(SceneRenderingTest, ContentScaleTwoDoublesTheFrameAndEveryLayer) {
  CCDirectorIOS* director = startDirector(kCCPixelFormatRGBA8888, kCCDeviceOrientationPortrait, 2.0f);
  const platform::CapturedFrame frame = run(director, blueSceneWithRedLayer());
  ASSERT_EQ(640, frame.width);
  ASSERT_EQ(960, frame.height);
  // The view was first laid out at 320 x 480: a frame buffer that kept that
  // size would leave all but the bottom-left quarter black.
  expectCorners(frame, {0, 0, 255});
  // 200 x 100 pixels: twice the points in each direction.
  expectBox(boxOf(frame, {255, 0, 0}), 80, 960 - 220, 280, 960 - 120);
}

// [SECTION] Blending and gradients

TEST_F(SceneRenderingTest, TranslucentLayerBlendsWithWhateverIsUnderIt) {
  CCDirectorIOS* director = startDirector(kCCPixelFormatRGBA8888);
  CCScene* scene = blueSceneWithRedLayer();
  // Half over the red layer (x 90...140, y 85...110), the rest over blue.
  CCLayerColor* green = CCLayerColor::layerWithColor(ccc4(0, 255, 0, 128), 100, 100);
  green->setPosition(CGPointMake(90, 85));
  scene->addChild(green);
  const platform::CapturedFrame frame = run(director, scene);
  // (SRC_ALPHA, ONE_MINUS_SRC_ALPHA): 255 x 128/255 over 255 x 127/255; 2 for rounding.
  EXPECT_TRUE(near(frame, 115, 479 - 100, {127, 128, 0}, 2)) << "over red";
  EXPECT_TRUE(near(frame, 160, 479 - 150, {0, 128, 127}, 2)) << "over blue";
  EXPECT_TRUE(near(frame, 60, 479 - 100, {255, 0, 0}, 0)) << "red left of the green layer";
  EXPECT_TRUE(near(frame, 200, 479 - 190, {0, 0, 255}, 0)) << "blue above the green layer";
}

struct GradientCase {
  int pixelFormat;
  int tolerance;  // RGB 565 keeps 5 bits of red and blue: steps of about 8
};

class SceneGradientTest : public SceneRenderingTest, public testing::WithParamInterface<GradientCase> {};

TEST_P(SceneGradientTest, WhiteToBlackDownwardsFadesFromTopToBottomCorners) {
  // Direction (0, -1): the top corners get 85.4 % of white (217), the bottom
  // ones 14.6 % (37); GL interpolates in between.
  CCDirectorIOS* director = startDirector(GetParam().pixelFormat);
  CCScene* scene = CCScene::node();
  scene->addChild(CCLayerGradient::layerWithColor(ccc4(255, 255, 255, 255), ccc4(0, 0, 0, 255), CGPointMake(0, -1)));
  const platform::CapturedFrame frame = run(director, scene);
  const int tolerance = GetParam().tolerance;
  for (int column : {3, 160, 316}) {
    for (int row : {0, 2}) EXPECT_TRUE(near(frame, column, row, {217, 217, 217}, tolerance)) << "top";
    EXPECT_TRUE(near(frame, column, 240, {127, 127, 127}, tolerance)) << "middle";
    for (int row : {477, 479}) EXPECT_TRUE(near(frame, column, row, {37, 37, 37}, tolerance)) << "bottom";
  }
}

INSTANTIATE_TEST_SUITE_P(ColourFormats, SceneGradientTest,
                         testing::Values(GradientCase{kCCPixelFormatRGBA8888, 3}, GradientCase{kCCPixelFormatRGB565, 9}),
                         [](const testing::TestParamInfo<GradientCase>& info) {
                           return info.param.pixelFormat == kCCPixelFormatRGB565 ? std::string("RGB565")
                                                                                 : std::string("RGBA8888");
                         });

}  // namespace
