// The GL view, its renderer and the director drawing through them, rendered
// headless and read back. Every test skips when no GL context can be made.

#include "DirectorTestSupport.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Touch.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLTouchDelegate.h"
#include "tessera/Platforms/iOS/ES1Renderer.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using platform::Ref;
using testing::ElementsAre;
using testing::MatchesRegex;
using testing_support::AssertionRecorder;

namespace {

// Draws an opaque red rectangle given in points, in its own coordinates.
class QuadNode : public CCNode {
  PLATFORM_CLASS(QuadNode, CCNode)
 public:
  CC_NODE_FACTORY(QuadNode)
  static QuadNode* quad(CGRect rect) {
    QuadNode* quad = node();
    quad->rect_ = rect;
    return quad;
  }
  void draw() override {
    const float s = CC_CONTENT_SCALE_FACTOR();
    const float x0 = rect_.origin.x * s, y0 = rect_.origin.y * s;
    const float x1 = x0 + rect_.size.width * s, y1 = y0 + rect_.size.height * s;
    const GLfloat vertices[] = {x0, y0, x1, y0, x0, y1, x1, y1};
    const GLubyte colors[] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
    // No texture: leave the default states as they were found.
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colors);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
  }
  CGRect rect_{};
};

class RecordingTouchDelegate : public EAGLTouchDelegate {
 public:
  void touchesBegan(platform::TouchSet* t, platform::Event*) override { calls.push_back("began " + count(t)); }
  void touchesMoved(platform::TouchSet* t, platform::Event*) override { calls.push_back("moved " + count(t)); }
  void touchesEnded(platform::TouchSet* t, platform::Event*) override { calls.push_back("ended " + count(t)); }
  void touchesCancelled(platform::TouchSet* t, platform::Event*) override { calls.push_back("cancelled " + count(t)); }
  static std::string count(platform::TouchSet* t) { return std::to_string(t->count()); }
  std::vector<std::string> calls;
};

struct Pixel {
  int r, g, b;
};

class EAGLViewGLTest : public testing::Test {
 protected:
  void SetUp() override {
    probe_ = EAGLView::viewWithFrame(CGRectMake(0, 0, 320, 480));
    if (!probe_) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
  }
  void TearDown() override {
    testing_support::purgeDirectorAndLoop();
  }

  // A director drawing into a new RGBA view, with the 2-D projection so that
  // one unit is one pixel, running a scene with a red quad at `rect`.
  CCDirectorIOS* directorWithQuad(CGRect rect) {
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    EAGLView* view = EAGLView::viewWithFrame(CGRectMake(0, 0, 320, 480), platform::kEAGLColorFormatRGBA8);
    director->setOpenGLView(view);
    director->setProjection(kCCDirectorProjection2D);
    CCScene* scene = CCScene::node();
    scene->addChild(QuadNode::quad(rect));
    director->runWithScene(scene);
    return director;
  }
  // Lays the view out, which reshapes the projection and draws a frame.
  platform::CapturedFrame layOutAndCapture(EAGLView* view) {
    view->setNeedsLayout();
    platform::RunLoop::main().runOnce(false);
    return platform::captureLastPresentedFrame();
  }
  static Pixel at(const platform::CapturedFrame& frame, int column, int row) {
    const std::uint8_t* p = &frame.rgba[(static_cast<std::size_t>(row) * frame.width + column) * 4];
    return Pixel{p[0], p[1], p[2]};
  }
  static bool isRed(Pixel p) { return p.r >= 250 && p.g <= 5 && p.b <= 5; }
  static bool isBlack(Pixel p) { return p.r <= 5 && p.g <= 5 && p.b <= 5; }

  platform::ManualClock clock_;
  Ref<EAGLView> probe_;
};

// [SECTION] Drawing through the director

TEST_F(EAGLViewGLTest, DirectorFramePresentsTheScene) {
  CCDirectorIOS* director = directorWithQuad(CGRectMake(10, 20, 100, 50));
  const platform::CapturedFrame frame = layOutAndCapture(director->openGLView());
  ASSERT_EQ(320, frame.width);
  ASSERT_EQ(480, frame.height);
  // The quad covers x 10..110 and y 20..70 from the bottom; rows count from the top.
  EXPECT_TRUE(isRed(at(frame, 60, 479 - 45)));
  EXPECT_TRUE(isRed(at(frame, 11, 479 - 21)));
  EXPECT_TRUE(isBlack(at(frame, 9, 479 - 45)));
  EXPECT_TRUE(isBlack(at(frame, 60, 479 - 71)));
  EXPECT_TRUE(isBlack(at(frame, 300, 10)));
}

TEST_F(EAGLViewGLTest, DefaultPerspectiveShowsAboutOneUnitPerPixel) {
  CCDirectorIOS* director = directorWithQuad(CGRectMake(100, 200, 120, 80));
  director->setProjection(kCCDirectorProjection3D);
  const platform::CapturedFrame frame = layOutAndCapture(director->openGLView());
  EXPECT_TRUE(isRed(at(frame, 103, 479 - 203)));
  EXPECT_TRUE(isRed(at(frame, 216, 479 - 276)));
  EXPECT_TRUE(isBlack(at(frame, 96, 479 - 240)));
  EXPECT_TRUE(isBlack(at(frame, 224, 479 - 240)));
}

TEST_F(EAGLViewGLTest, LandscapeOrientationTurnsTheDrawing) {
  // In orientation 3 the scene is 480 x 320; its point (x, y) lands on the
  // portrait surface at column y, row x from the top.
  CCDirectorIOS* director = directorWithQuad(CGRectMake(0, 0, 100, 50));
  director->setDeviceOrientation(kCCDeviceOrientationLandscapeLeft);
  EXPECT_EQ(480.0f, director->winSize().width);
  const platform::CapturedFrame frame = layOutAndCapture(director->openGLView());
  EXPECT_TRUE(isRed(at(frame, 25, 50)));
  EXPECT_TRUE(isRed(at(frame, 48, 97)));
  EXPECT_TRUE(isBlack(at(frame, 25, 102)));
  EXPECT_TRUE(isBlack(at(frame, 52, 50)));
  EXPECT_TRUE(isBlack(at(frame, 25, 479 - 50)));
}

TEST_F(EAGLViewGLTest, ContentScaleTwoDoublesTheSurface) {
  CCDirectorIOS* director = directorWithQuad(CGRectMake(10, 10, 50, 50));
  EAGLView* view = director->openGLView();
  director->setContentScaleFactor(2.0f);
  const platform::CapturedFrame frame = layOutAndCapture(view);
  ASSERT_EQ(640, frame.width);
  ASSERT_EQ(960, frame.height);
  EXPECT_EQ(640.0f, view->surfaceSize().width);
  const CGPoint corner = view->convertPointFromViewToSurface(CGPointMake(320, 480));
  EXPECT_EQ(640.0f, corner.x);
  EXPECT_EQ(960.0f, corner.y);
  EXPECT_TRUE(isRed(at(frame, 22, 959 - 22)));
  EXPECT_TRUE(isRed(at(frame, 118, 959 - 118)));
  EXPECT_TRUE(isBlack(at(frame, 122, 959 - 60)));
}

// [SECTION] Attaching and ending

TEST_F(EAGLViewGLTest, AttachFollowsTheHostAndFreezesFormats) {
  auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
  director->setDepthBufferFormat(kCCDepthBuffer16);
  platform::View* host = platform::View::viewWithFrame(CGRectMake(0, 0, 320, 480));
  host->setUserInteractionEnabled(false);
  host->setMultipleTouchEnabled(true);
  ASSERT_TRUE(director->attachInView(host));
  EAGLView* view = director->openGLView();
  EXPECT_EQ(host, view->superview());
  EXPECT_EQ(platform::kEAGLColorFormatRGB565, view->pixelFormat());
  EXPECT_EQ(static_cast<GLuint>(GL_DEPTH_COMPONENT16_OES), view->depthFormat());
  EXPECT_FALSE(view->isUserInteractionEnabled());
  EXPECT_TRUE(view->isMultipleTouchEnabled());
  EXPECT_FALSE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
  EXPECT_EQ(CCTouchDispatcher::sharedDispatcher(), dynamic_cast<CCTouchDispatcher*>(view->touchDelegate()));

  AssertionRecorder assertions;
  director->setPixelFormat(kCCPixelFormatRGBA8888);
  EXPECT_FALSE(director->attachInView(host));
  EXPECT_THAT(assertions.messages(),
              ElementsAre("Can't change the pixel format after the director was initialized",
                          "FATAL: Can't re-attach the OpenGL View, because it is already attached. Detach it first"));
  EXPECT_TRUE(director->detach());
  EXPECT_FALSE(director->isOpenGLAttached());
}

TEST_F(EAGLViewGLTest, RetinaNeedsAHighResolutionScreen) {
  auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
  director->setOpenGLView(EAGLView::viewWithFrame(CGRectMake(0, 0, 320, 480)));
  EXPECT_FALSE(director->enableRetinaDisplay(true));
  EXPECT_EQ(1.0f, CC_CONTENT_SCALE_FACTOR());
  platform::facts().screenScale = 2.0f;
  EXPECT_TRUE(director->enableRetinaDisplay(true));
  EXPECT_EQ(2.0f, director->openGLView()->contentScaleFactor());
  EXPECT_EQ(960.0f, director->winSizeInPixels().height);
}

TEST_F(EAGLViewGLTest, EndReleasesTheView) {
  CCDirectorIOS* director = directorWithQuad(CGRectMake(0, 0, 10, 10));
  Ref<EAGLView> view = director->openGLView();
  const std::uint32_t held = view->retainCount();
  director->end();
  EXPECT_EQ(nullptr, director->openGLView());
  EXPECT_EQ(held - 1, view->retainCount());
}

// [SECTION] The view and its renderer

TEST_F(EAGLViewGLTest, RendererFollowsTheViewFormats) {
  ES1Renderer* plain = probe_->renderer();
  EXPECT_EQ(static_cast<GLuint>(GL_RGB565_OES), plain->pixelFormat());
  EXPECT_EQ(0u, plain->depthBuffer());
  EXPECT_EQ(0u, plain->msaaFrameBuffer());
  EXPECT_EQ(static_cast<GLenum>(GL_RGBA8_OES), EAGLView::convertPixelFormat("anything else"));
  EXPECT_THAT(plain->description(), MatchesRegex("<ES1Renderer = [0-9A-F]{8,} \\| size = 0x0>"));
  probe_->layoutIfNeeded();
  EXPECT_THAT(plain->description(), MatchesRegex("<ES1Renderer = [0-9A-F]{8,} \\| size = 320x480>"));

  Ref<EAGLView> deep = EAGLView::viewWithFrame(CGRectMake(0, 0, 64, 32), platform::kEAGLColorFormatRGBA8,
                                               GL_DEPTH_COMPONENT16_OES);
  ASSERT_TRUE(deep->renderer()->resizeFromLayer(deep->drawable()));
  EXPECT_NE(0u, deep->renderer()->depthBuffer());
  EXPECT_EQ(64.0f, deep->renderer()->backingSize().width);
  EXPECT_EQ(32.0f, deep->renderer()->backingSize().height);
}

TEST_F(EAGLViewGLTest, MultisamplingWithoutGLSupportFallsBackToPlainDrawing) {
  testing::internal::CaptureStdout();
  Ref<EAGLView> view =
      EAGLView::viewWithFrame(CGRectMake(0, 0, 32, 32), platform::kEAGLColorFormatRGBA8, 0, false, nullptr, true, 4);
  const std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(view);
  if (view->renderer()->multiSampling()) GTEST_SKIP() << "this GL offers multisampling";
  EXPECT_FALSE(view->multiSampling());
  EXPECT_TRUE(view->renderer()->resizeFromLayer(view->drawable()));
  EXPECT_EQ("", printed);
}

TEST_F(EAGLViewGLTest, TouchesGoToTheDelegateOrNowhere) {
  Ref<platform::Touch> touch = platform::Touch::touch();
  platform::TouchSet touches{touch.get()};
  probe_->touchesBegan(&touches, nullptr);  // no delegate: dropped
  RecordingTouchDelegate delegate;
  probe_->setTouchDelegate(&delegate);
  probe_->touchesBegan(&touches, nullptr);
  probe_->touchesMoved(&touches, nullptr);
  probe_->touchesEnded(&touches, nullptr);
  probe_->touchesCancelled(&touches, nullptr);
  EXPECT_THAT(delegate.calls, ElementsAre("began 1", "moved 1", "ended 1", "cancelled 1"));
}

}  // namespace
