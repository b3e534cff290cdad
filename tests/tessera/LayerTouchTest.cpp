// Touches end to end: SDL mouse events pushed into a window opened through
// SDL's offscreen driver, pumped by the run loop, hit-tested onto the GL view,
// handed to the touch dispatcher and on to the layers of the running scene
// (timer director on a manual clock). The layers convert each touch to the
// engine's coordinates (origin bottom left) with the director's convertToGL,
// then into their own space with convertToNodeSpace.

#include "DirectorTestSupport.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Touch.h"
#include "platform/Window.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayer.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "tessera/ccMacros.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using platform::Ref;

namespace {

struct Received {
  std::string phase;
  platform::Touch* touch;
  CGPoint gl;    // engine coordinates
  CGPoint node;  // the layer's own coordinates
};

// Records what it receives, converted as a game layer would.
void record(CCNode* layer, std::vector<Received>& log, const char* phase, platform::Touch* touch) {
  const CGPoint gl = CCDirector::sharedDirector()->convertToGL(touch->locationInView(touch->view()));
  log.push_back({phase, touch, gl, layer->convertToNodeSpace(gl)});
}

// A standard delegate: every touch that nobody swallowed, per phase.
class StandardLayer : public CCLayer {
  PLATFORM_CLASS(StandardLayer, CCLayer)
 public:
  CC_NODE_FACTORY(StandardLayer)
  unsigned touchesSelectorMask() const override {
    return kCCTouchSelectorBeganBit | kCCTouchSelectorMovedBit | kCCTouchSelectorEndedBit;
  }
  void ccTouchesBegan(platform::TouchSet* touches, platform::Event*) override { each(touches, "began"); }
  void ccTouchesMoved(platform::TouchSet* touches, platform::Event*) override { each(touches, "moved"); }
  void ccTouchesEnded(platform::TouchSet* touches, platform::Event*) override { each(touches, "ended"); }
  std::vector<Received> log;

 private:
  void each(platform::TouchSet* touches, const char* phase) {
    for (platform::Touch* touch : *touches) record(this, log, phase, touch);
  }
};

// A targeted delegate that claims, and swallows, touches that begin inside
// its button area (node space x 0...100, y 0...60).
class ButtonLayer : public CCLayer {
  PLATFORM_CLASS(ButtonLayer, CCLayer)
 public:
  CC_NODE_FACTORY(ButtonLayer)
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
  }
  unsigned touchSelectorMask() const override { return kCCTouchSelectorMovedBit | kCCTouchSelectorEndedBit; }
  bool ccTouchBegan(platform::Touch* touch, platform::Event*) override {
    record(this, log, "began", touch);
    const CGPoint p = log.back().node;
    return p.x >= 0 && p.x < 100 && p.y >= 0 && p.y < 60;
  }
  void ccTouchMoved(platform::Touch* touch, platform::Event*) override { record(this, log, "moved", touch); }
  void ccTouchEnded(platform::Touch* touch, platform::Event*) override { record(this, log, "ended", touch); }
  std::vector<Received> log;
};

// A targeted delegate that claims every touch and converts it into the space
// of `probe` with the node's own touch conversions.
class ConvertingLayer : public CCLayer {
  PLATFORM_CLASS(ConvertingLayer, CCLayer)
 public:
  CC_NODE_FACTORY(ConvertingLayer)
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
  }
  bool ccTouchBegan(platform::Touch* touch, platform::Event*) override {
    inProbe = probe->convertTouchToNodeSpace(touch);
    inProbeAR = probe->convertTouchToNodeSpaceAR(touch);
    backInWindow = probe->convertToWindowSpace(inProbe);
    inView = touch->locationInView(touch->view());
    ++touches;
    return true;
  }
  CCNode* probe = nullptr;
  CGPoint inProbe{}, inProbeAR{}, backInWindow{}, inView{};
  int touches = 0;
};

std::vector<std::string> phases(const std::vector<Received>& log) {
  std::vector<std::string> out;
  for (const Received& r : log) out.push_back(r.phase);
  return out;
}

#define EXPECT_POINT(x_, y_, point_)  \
  do {                                \
    EXPECT_FLOAT_EQ((x_), (point_).x); \
    EXPECT_FLOAT_EQ((y_), (point_).y); \
  } while (0)

class LayerTouchTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    platform::facts().headless = false;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
  }
  void TearDown() override {
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  // The timer director with its GL view filling a portrait 320 x 480 window
  // that SDL shows offscreen. Returns nullptr (the test skips) without one.
  CCDirectorIOS* startDirector(int orientation = kCCDeviceOrientationPortrait) {
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    EXPECT_TRUE(director->attachInWindow(window_.get()));
    director->setDeviceOrientation(orientation);
    window_->makeKeyAndVisible();
    if (!window_->hasNativeWindow()) return nullptr;
    return director;
  }

  // Runs `scene` until it is the running scene.
  void run(CCDirector* director, CCScene* scene) {
    director->runWithScene(scene);
    platform::RunLoop::main().runFor(0.05);
    ASSERT_EQ(scene, director->runningScene());
  }

  void pump() { platform::RunLoop::main().runFor(0.05); }

  void mouse(Uint32 type, int x, int y) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
      event.motion.windowID = window_->nativeWindowID();
      event.motion.x = x;
      event.motion.y = y;
      event.motion.state = SDL_BUTTON_LMASK;
    } else {
      event.button.windowID = window_->nativeWindowID();
      event.button.button = SDL_BUTTON_LEFT;
      event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.button.x = x;
      event.button.y = y;
    }
    SDL_PushEvent(&event);
  }
  // Press at `from`, move to `via`, release at `to`, then pump.
  void drag(CGPoint from, CGPoint via, CGPoint to) {
    mouse(SDL_MOUSEBUTTONDOWN, static_cast<int>(from.x), static_cast<int>(from.y));
    mouse(SDL_MOUSEMOTION, static_cast<int>(via.x), static_cast<int>(via.y));
    mouse(SDL_MOUSEBUTTONUP, static_cast<int>(to.x), static_cast<int>(to.y));
    pump();
  }

  platform::ManualClock clock_;
  Ref<platform::Window> window_;
};

#define START_DIRECTOR(director_, ...)                                      \
  CCDirectorIOS* director_ = startDirector(__VA_ARGS__);                    \
  if (!director_) GTEST_SKIP() << "no SDL window: " << SDL_GetError()

// [SECTION] Standard delegates

TEST_F(LayerTouchTest, StandardLayerGetsOneTouchInThreePhasesInEngineCoordinates) {
  START_DIRECTOR(director);
  CCScene* scene = CCScene::node();
  StandardLayer* layer = StandardLayer::node();
  layer->setPosition(CGPointMake(20, 30));
  layer->setIsTouchEnabled(true);
  scene->addChild(layer);
  run(director, scene);

  drag(CGPointMake(100, 150), CGPointMake(110, 170), CGPointMake(120, 180));
  const std::vector<Received>& log = layer->log;
  ASSERT_EQ((std::vector<std::string>{"began", "moved", "ended"}), phases(log));
  EXPECT_EQ(log[0].touch, log[1].touch);
  EXPECT_EQ(log[0].touch, log[2].touch);
  // View y runs down from the top of the 480-point window; engine y runs up.
  EXPECT_POINT(100, 330, log[0].gl);
  EXPECT_POINT(110, 310, log[1].gl);
  EXPECT_POINT(120, 300, log[2].gl);
  EXPECT_POINT(80, 300, log[0].node);  // less the layer's position
  EXPECT_POINT(100, 270, log[2].node);
}

TEST_F(LayerTouchTest, LandscapeLeftExchangesTheAxes) {
  // The scene drawn turned onto the portrait window: view point (x, y) is
  // engine point (y, x), the same mapping the drawing uses.
  START_DIRECTOR(director, kCCDeviceOrientationLandscapeLeft);
  CCScene* scene = CCScene::node();
  StandardLayer* layer = StandardLayer::node();
  layer->setIsTouchEnabled(true);
  scene->addChild(layer);
  run(director, scene);

  drag(CGPointMake(100, 150), CGPointMake(100, 400), CGPointMake(100, 400));
  ASSERT_EQ(3u, layer->log.size());
  EXPECT_POINT(150, 100, layer->log[0].gl);
  EXPECT_POINT(400, 100, layer->log[2].gl);
  EXPECT_FLOAT_EQ(480, layer->contentSize().width) << "the layer covers the turned window";
}

TEST_F(LayerTouchTest, LayerOutsideTheRunningSceneGetsNoTouches) {
  START_DIRECTOR(director);
  CCScene* scene = CCScene::node();
  StandardLayer* layer = StandardLayer::node();
  layer->setIsTouchEnabled(true);
  scene->addChild(layer);
  Ref<StandardLayer> keep(layer);
  run(director, scene);

  director->replaceScene(CCScene::node());
  pump();
  EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->standardHandlers().empty());
  drag(CGPointMake(100, 150), CGPointMake(110, 170), CGPointMake(120, 180));
  EXPECT_TRUE(layer->log.empty());
}

// [SECTION] Targeted delegates

TEST_F(LayerTouchTest, TargetedLayerClaimsAndSwallowsOnlyTouchesThatBeginOnIt) {
  START_DIRECTOR(director);
  CCScene* scene = CCScene::node();
  StandardLayer* background = StandardLayer::node();
  background->setIsTouchEnabled(true);
  scene->addChild(background);
  ButtonLayer* button = ButtonLayer::node();
  button->setPosition(CGPointMake(50, 100));  // engine x 50...150, y 100...160
  button->setIsTouchEnabled(true);
  scene->addChild(button);
  run(director, scene);

  // View (60, 350) is engine (60, 130): on the button. The drag leaves it,
  // and the claim holds.
  drag(CGPointMake(60, 350), CGPointMake(200, 100), CGPointMake(210, 90));
  ASSERT_EQ((std::vector<std::string>{"began", "moved", "ended"}), phases(button->log));
  EXPECT_EQ(button->log[0].touch, button->log[2].touch);
  EXPECT_POINT(10, 30, button->log[0].node);
  EXPECT_POINT(160, 290, button->log[2].node);
  EXPECT_TRUE(background->log.empty()) << "a swallowed touch reached the layer underneath";

  // View (250, 350) is engine (250, 130): beside the button. It is offered,
  // not claimed, and the standard layer gets all of it.
  button->log.clear();
  drag(CGPointMake(250, 350), CGPointMake(255, 340), CGPointMake(260, 330));
  EXPECT_EQ((std::vector<std::string>{"began"}), phases(button->log));
  ASSERT_EQ((std::vector<std::string>{"began", "moved", "ended"}), phases(background->log));
  EXPECT_POINT(260, 150, background->log[2].gl);
}

// [SECTION] Node conversions of real touches

TEST_F(LayerTouchTest, TouchConversionsGoThroughTheViewTheDirectorAndTheNode) {
  START_DIRECTOR(director, kCCDeviceOrientationLandscapeLeft);
  CCScene* scene = CCScene::node();
  ConvertingLayer* layer = ConvertingLayer::node();
  layer->setIsTouchEnabled(true);
  CCNode* probe = CCNode::node();
  probe->setContentSize(CGSizeMake(40, 20));
  probe->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  probe->setPosition(CGPointMake(200, 100));
  probe->setScale(2);
  layer->probe = probe;
  layer->addChild(probe);
  scene->addChild(layer);
  run(director, scene);

  // View (110, 230) is engine (230, 110) when turned landscape-left; the
  // probe's anchor (20, 10) sits at (200, 100) and every unit is two, so the
  // touch lands at (20 + 30 / 2, 10 + 10 / 2) in the probe.
  mouse(SDL_MOUSEBUTTONDOWN, 110, 230);
  mouse(SDL_MOUSEBUTTONUP, 110, 230);
  pump();
  ASSERT_EQ(1, layer->touches);
  EXPECT_POINT(110, 230, layer->inView);
  EXPECT_POINT(35, 15, layer->inProbe);
  EXPECT_POINT(15, 5, layer->inProbeAR);
  // And back out again: the node point is where the touch was in the view.
  EXPECT_POINT(110, 230, layer->backInWindow);
}

TEST_F(LayerTouchTest, WindowSpaceHasItsOriginAtTheTopLeftOfThePortraitView) {
  START_DIRECTOR(director);
  CCScene* scene = CCScene::node();
  CCNode* node = CCNode::node();
  node->setPosition(CGPointMake(30, 40));
  scene->addChild(node);
  run(director, scene);

  EXPECT_POINT(30, 440, node->convertToWindowSpace(CGPointZero));
  EXPECT_POINT(35, 430, node->convertToWindowSpace(CGPointMake(5, 10)));
  // A null touch counts as one at the view's origin: engine (0, 480).
  EXPECT_POINT(-30, 440, node->convertTouchToNodeSpace(nullptr));
}

}  // namespace
