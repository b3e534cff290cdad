#include "tessera/CCLayer.h"

#include "platform/Accelerometer.h"
#include "platform/Touch.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMultiplexLayer.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Accelerometer;
using testing::ElementsAre;
using testing::IsEmpty;
using testing_support::AssertionRecorder;

namespace {

std::vector<std::string> g_trace;

// Records readings ("<name> <x>"), entering, leaving and teardown in g_trace.
class TraceLayer : public CCLayer {
  PLATFORM_CLASS(TraceLayer, CCLayer)
 public:
  CC_NODE_FACTORY(TraceLayer)
  static TraceLayer* tilting(const char* name) {
    TraceLayer* layer = node();
    layer->name_ = name;
    layer->setIsAccelerometerEnabled(true);
    return layer;
  }
  void accelerometerDidAccelerate(Accelerometer*, const platform::Acceleration& a) override {
    g_trace.push_back(name_ + " " + std::to_string(int(a.x)));
  }
  void onEnter() override { g_trace.push_back(name_ + "enter"), CCLayer::onEnter(); }
  void onExit() override { g_trace.push_back(name_ + "exit"), CCLayer::onExit(); }
  std::string name_;

 protected:
  ~TraceLayer() override { g_trace.push_back(name_ + "dealloc"); }
};

// Registers as a targeted delegate but keeps the layer's ccTouchBegan.
class TargetedLayer : public CCLayer {
  PLATFORM_CLASS(TargetedLayer, CCLayer)
 public:
  CC_NODE_FACTORY(TargetedLayer)
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, -7, true);
  }
};

// A timer director whose window size is set directly (no GL view).
class WindowDirector : public CCDirectorTimer {
  PLATFORM_CLASS(WindowDirector, CCDirectorTimer)
 public:
  static void install(CGSize points) {
    auto* director = static_cast<WindowDirector*>(installSharedDirector(new WindowDirector()));
    director->winSizeInPoints_ = director->winSizeInPixels_ = points;
  }
};

class CCLayerTest : public testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    WindowDirector::install(CGSizeMake(480, 320));  // also resets the scale factor to 1
    scene_ = CCScene::node();
  }
  void TearDown() override {
    CCDirector::purgeSharedDirector();
    ccSetContentScaleFactor(1.0f);
    CCTouchDispatcher::purgeSharedDispatcher();
    Accelerometer::purgeSharedAccelerometer();
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }
  static const CCTouchDispatcher::HandlerList& standard() {
    return CCTouchDispatcher::sharedDispatcher()->standardHandlers();
  }
  static void tilt(double x) { Accelerometer::sharedAccelerometer()->deliver({x, 0, 0, 0}); }
  static CCNode* shown(CCMultiplexLayer* multiplex) {
    CCArray* children = multiplex->children();
    return children->count() == 1 ? static_cast<CCNode*>(children->objectAtIndex(0)) : nullptr;
  }

  CCScene* scene_ = nullptr;
};
using CCMultiplexLayerTest = CCLayerTest;

// [SECTION] Geometry

TEST_F(CCLayerTest, ScenesAndLayersCoverTheWindowWithTheLowerLeftAtThePosition) {
  ccSetContentScaleFactor(2.0f);
  CCLayer* layer = CCLayer::node();
  for (CCNode* node : {static_cast<CCNode*>(CCScene::node()), static_cast<CCNode*>(layer)}) {
    EXPECT_TRUE(CGSizeEqualToSize(node->contentSize(), CGSizeMake(480, 320))) << node->className();
    EXPECT_TRUE(CGPointEqualToPoint(node->anchorPointInPixels(), CGPointMake(480, 320))) << node->className();
    EXPECT_FALSE(node->isRelativeAnchorPoint());
  }
  layer->setPosition(CGPointMake(10, 20));
  EXPECT_TRUE(CGRectEqualToRect(layer->boundingBox(), CGRectMake(10, 20, 480, 320)));
  layer->setScale(0.5f);  // scaling still pivots on the centre
  EXPECT_TRUE(CGRectEqualToRect(layer->boundingBox(), CGRectMake(130, 100, 240, 160)));
  CCLayerColor* color = CCLayerColor::layerWithColor(ccc4(1, 2, 3, 4));
  EXPECT_THAT(color->squareVertices(), ElementsAre(0, 0, 960, 0, 0, 640, 960, 640));
}

// [SECTION] Touch registration

TEST_F(CCLayerTest, TouchRegistrationFollowsTheRunningState) {
  CCLayer* layer = CCLayer::node();
  scene_->addChild(layer);
  layer->setIsTouchEnabled(true);
  EXPECT_THAT(standard(), IsEmpty()) << "not running: nothing registered yet";
  scene_->onEnter();
  ASSERT_EQ(standard().size(), 1u);
  EXPECT_EQ(standard()[0]->delegate(), layer);
  EXPECT_EQ(standard()[0]->priority(), 0);
  EXPECT_EQ(standard()[0]->enabledSelectors(), 0u) << "a plain layer implements no callback";

  AssertionRecorder asserts;
  layer->setIsTouchEnabled(true);  // unchanged: no second registration
  EXPECT_TRUE(asserts.empty());
  layer->setIsTouchEnabled(false);
  EXPECT_THAT(standard(), IsEmpty());
  layer->setIsTouchEnabled(true);
  scene_->onExit();
  EXPECT_THAT(standard(), IsEmpty());
}

TEST_F(CCLayerTest, TargetedLayerWithoutItsOwnTouchBeganInvalid) {
  TargetedLayer* layer = TargetedLayer::node();
  layer->setIsTouchEnabled(true);
  scene_->addChild(layer);
  scene_->onEnter();
  CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
  EXPECT_EQ(dispatcher->targetedHandlers().size(), 1u);
  AssertionRecorder asserts;
  platform::TouchSet touches{platform::Touch::touch()};
  dispatcher->touchesBegan(&touches, platform::Event::event());
  EXPECT_THAT(asserts.messages(), ElementsAre("Layer#ccTouchBegan override me"));
  scene_->onExit();
}

// [SECTION] Accelerometer delegate

TEST_F(CCLayerTest, AccelerometerDeliveryFollowsTransitionEndAndExitAndTheLastToRegisterWins) {
  TraceLayer* first = TraceLayer::tilting("a");
  scene_->addChild(first);
  scene_->onEnter();
  tilt(1);  // not before the transition has finished
  scene_->onEnterTransitionDidFinish();
  tilt(2);
  first->setIsAccelerometerEnabled(false);
  tilt(3);
  first->setIsAccelerometerEnabled(true);  // while running: at once
  tilt(4);
  scene_->addChild(TraceLayer::tilting("b"));  // a running parent sends onEnter and didFinish
  tilt(5);
  scene_->removeChild(first, true);  // any layer leaving ends delivery, also b's
  tilt(6);
  EXPECT_THAT(g_trace, ElementsAre("aenter", "a 2", "a 4", "benter", "b 5", "aexit"));
  scene_->onExit();
}

TEST_F(CCLayerTest, DestroyedDelegateClearsTheDelegate) {
  auto* orphan = new TraceLayer();
  orphan->init();
  orphan->setIsAccelerometerEnabled(true);
  orphan->onEnterTransitionDidFinish();
  orphan->release();  // never left a scene
  EXPECT_EQ(Accelerometer::sharedAccelerometer()->delegate(), nullptr);
}

// [SECTION] Multiplexer

TEST_F(CCMultiplexLayerTest, TakesLayersUpToTheFirstNullAndRefusesABadIndex) {
  CCLayer* a = CCLayer::node();
  CCMultiplexLayer* multiplex = CCMultiplexLayer::layerWithLayers({a, CCLayer::node(), nullptr, CCLayer::node()});
  EXPECT_EQ(multiplex->layers().size(), 2u);
  EXPECT_EQ(shown(multiplex), a);
  EXPECT_EQ(CCMultiplexLayer::layerWithLayers({nullptr, a}), nullptr) << "nothing to show";

  AssertionRecorder asserts;
  multiplex->switchTo(2);
  multiplex->switchToAndReleaseMe(7);
  EXPECT_THAT(asserts.messages(), ElementsAre("Invalid index in MultiplexLayer switchTo message",
                                              "Invalid index in MultiplexLayer switchTo message"));
  EXPECT_EQ(shown(multiplex), a);
  EXPECT_EQ(multiplex->layers()[0], a);
}

TEST_F(CCMultiplexLayerTest, SwitchToRemovesTheShownLayerWithCleanupEvenWhenChosenAgain) {
  CCLayer* a = CCLayer::node();
  TraceLayer* b = TraceLayer::node();
  CCMultiplexLayer* multiplex = CCMultiplexLayer::layerWithLayers({a, b});
  scene_->addChild(multiplex);
  scene_->onEnter();
  a->runAction(CCDelayTime::actionWithDuration(5));
  multiplex->switchTo(1);
  EXPECT_EQ(a->numberOfRunningActions(), 0u);
  EXPECT_EQ(shown(multiplex), b);

  b->runAction(CCDelayTime::actionWithDuration(5));
  multiplex->switchTo(1);
  EXPECT_EQ(b->numberOfRunningActions(), 0u);
  EXPECT_THAT(g_trace, ElementsAre("enter", "exit", "enter"));
  EXPECT_EQ(shown(multiplex), b);
  scene_->onExit();
}

TEST_F(CCMultiplexLayerTest, SwitchToAndReleaseMeGivesUpTheShownLayer) {
  auto* owned = new TraceLayer();
  owned->init();
  CCLayer* b = CCLayer::node();
  CCMultiplexLayer* multiplex = CCMultiplexLayer::layerWithLayers({owned, b});
  owned->release();  // the multiplexer holds the only reference now
  multiplex->switchToAndReleaseMe(1);
  EXPECT_THAT(g_trace, ElementsAre("dealloc"));
  EXPECT_EQ(shown(multiplex), b);

  AssertionRecorder asserts;
  multiplex->switchTo(0);  // the released slot: unsupported, nothing is shown
  EXPECT_EQ(shown(multiplex), nullptr);
  multiplex->switchTo(1);  // and the empty slot is skipped on the way out
  EXPECT_EQ(shown(multiplex), b);
}

}  // namespace
