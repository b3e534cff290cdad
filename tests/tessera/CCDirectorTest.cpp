#include "DirectorTestSupport.h"
#include "tessera/CCDirector.h"

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/RunLoop.h"
#include "platform/Selector.h"
#include "platform/Time.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using platform::Ref;
using testing::ElementsAre;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;
using Trace = std::vector<std::string>;

namespace {

Trace g_trace;

// A scene that records its lifecycle, counts its frames and can run a hook
// from inside a frame.
class TraceScene : public CCScene {
  PLATFORM_CLASS(TraceScene, CCScene)
 public:
  CC_NODE_FACTORY(TraceScene)
  static TraceScene* named(std::string name) {
    TraceScene* scene = node();
    scene->name_ = std::move(name);
    return scene;
  }
  void onEnter() override {
    g_trace.push_back(name_ + " onEnter");
    CCScene::onEnter();
  }
  void onEnterTransitionDidFinish() override {
    g_trace.push_back(name_ + " didFinish");
    CCScene::onEnterTransitionDidFinish();
  }
  void onExit() override {
    g_trace.push_back(name_ + " onExit");
    CCScene::onExit();
  }
  void cleanup() override {
    g_trace.push_back(name_ + " cleanup");
    CCScene::cleanup();
  }
  void visit() override {
    ++frames_;
    if (onFrame_) onFrame_(frames_);
    CCScene::visit();
  }
  ~TraceScene() override { g_trace.push_back(name_ + " dealloc"); }

  std::string name_;
  int frames_ = 0;
  std::function<void(int)> onFrame_;
};

// Records every tick of the scheduler, and its own destruction.
class Probe : public CCNode {
  PLATFORM_CLASS(Probe, CCNode)
 public:
  static Probe* owned(std::string name) {
    auto* probe = new Probe();
    probe->init();
    probe->name_ = std::move(name);
    return probe;
  }
  void tick(float) { g_trace.push_back(name_ + " tick"); }
  ~Probe() override { g_trace.push_back(name_ + " dealloc"); }
  std::string name_;
};

// A timer director whose window size the tests set directly (no GL view).
class SizedDirector : public CCDirectorTimer {
  PLATFORM_CLASS(SizedDirector, CCDirectorTimer)
 public:
  static SizedDirector* shared() {
    if (!existingDirector()) installSharedDirector(new SizedDirector());
    return dynamic_cast<SizedDirector*>(existingDirector());
  }
  void setWindowSize(CGSize points) {
    winSizeInPoints_ = points;
    winSizeInPixels_ = CGSizeMake(points.width * CC_CONTENT_SCALE_FACTOR(), points.height * CC_CONTENT_SCALE_FACTOR());
  }
};

class CountingProjection : public platform::Object, public CCProjectionProtocol {
  PLATFORM_CLASS(CountingProjection, platform::Object)
 public:
  void updateProjection() override { ++calls_; }
  int calls_ = 0;
};

class CCDirectorTest : public testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
  void TearDown() override {
    testing_support::purgeDirectorAndLoop();
  }
  void scheduleTick(Probe* probe) {
    CCScheduler::sharedScheduler()->scheduleSelector(CC_SEL(Probe::tick), probe, 0, false);
  }

  platform::ManualClock clock_;
};

// [SECTION] Singleton and loop variants

TEST_F(CCDirectorTest, SharedDirectorMakesTimerAndKeepsTheFirstInstance) {
  CCDirector* director = CCDirector::sharedDirector();
  EXPECT_STREQ("CCDirectorTimer", director->className());
  EXPECT_STREQ("CCDirectorTimer", CCDirector::defaultDirector().name);
  EXPECT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
  EXPECT_EQ(director, CCDirector::sharedDirector());
  EXPECT_EQ(director, CCDirectorFast::sharedDirector());
}

TEST_F(CCDirectorTest, SetDirectorTypeMakesTheVariant) {
  const char* expected[] = {"CCDirectorTimer", "CCDirectorFast", "CCDirectorFastThreaded", "CCDirectorDisplayLink"};
  for (int type = 0; type < 4; ++type) {
    EXPECT_TRUE(CCDirector::setDirectorType(type));
    EXPECT_STREQ(expected[type], CCDirector::sharedDirector()->className());
    CCDirector::purgeSharedDirector();
  }
}

TEST_F(CCDirectorTest, DisplayLinkRefusedBeforeSystem31AndUnknownTypeInvalid) {
  platform::facts().systemVersion = "3.0";
  EXPECT_FALSE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
  EXPECT_EQ(nullptr, CCDirector::existingDirector());
  platform::facts().systemVersion = "3.1";
  EXPECT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));

  AssertionRecorder assertions;
  EXPECT_FALSE(CCDirector::setDirectorType(7));
  EXPECT_THAT(assertions.messages(), ElementsAre("Unknown director type"));
}

TEST_F(CCDirectorTest, DisplayLinkRunsSixtyFramesPerSecondAndFourWhilePaused) {
  ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
  CCDirector* director = CCDirector::sharedDirector();
  TraceScene* scene = TraceScene::named("A");
  Ref<Probe> probe = Ref<Probe>::adopt(Probe::owned("probe"));
  scheduleTick(probe);
  director->runWithScene(scene);

  platform::RunLoop::main().runFor(1.0);
  EXPECT_EQ(60, scene->frames_);
  EXPECT_EQ(1, static_cast<CCDirectorDisplayLink*>(director)->displayLink()->frameInterval());

  director->pause();
  g_trace.clear();
  platform::RunLoop::main().runFor(1.0);
  EXPECT_EQ(64, scene->frames_);
  EXPECT_EQ(15, static_cast<CCDirectorDisplayLink*>(director)->displayLink()->frameInterval());
  EXPECT_TRUE(g_trace.empty()) << "the scheduler ticked while paused";
}

TEST_F(CCDirectorTest, FrameIntervalIsTheWholePartOfIntervalTimesSixty) {
  EXPECT_EQ(1, CCDirectorDisplayLink::frameIntervalForAnimationInterval(1.0 / 60.0));
  EXPECT_EQ(15, CCDirectorDisplayLink::frameIntervalForAnimationInterval(0.25));
  EXPECT_EQ(1, CCDirectorDisplayLink::frameIntervalForAnimationInterval(0.02));
  EXPECT_EQ(2, CCDirectorDisplayLink::frameIntervalForAnimationInterval(1.0 / 30.0));
  EXPECT_EQ(0, CCDirectorDisplayLink::frameIntervalForAnimationInterval(-1.0));
}

TEST_F(CCDirectorTest, TimerRefusesSecondStartAndRunsOneTimer) {
  CCDirector* director = CCDirector::sharedDirector();
  TraceScene* scene = TraceScene::named("A");
  director->runWithScene(scene);
  AssertionRecorder assertions;
  director->startAnimation();
  EXPECT_THAT(assertions.messages(), ElementsAre("animationTimer must be nil. Calling startAnimation twice?"));

  platform::RunLoop::main().runFor(0.5);
  EXPECT_EQ(30, scene->frames_);
  director->stopAnimation();
  platform::RunLoop::main().runFor(0.5);
  EXPECT_EQ(30, scene->frames_);
}

TEST_F(CCDirectorTest, FastLoopDrawsUntilStoppedAndSleepsWhilePaused) {
  ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeFast));
  auto* director = static_cast<CCDirectorFast*>(CCDirector::sharedDirector());
  TraceScene* scene = TraceScene::named("A");
  scene->onFrame_ = [director](int frame) {
    if (frame == 5) director->stopAnimation();
  };
  LogCapture log;
  director->pause();
  EXPECT_THAT(log.lines(), ElementsAre("FastDirectory doesn't support setAnimationInterval, yet"));
  const platform::TimeValue before = clock_.now();
  director->runWithScene(scene);
  EXPECT_EQ(0, scene->frames_) << "the loop is queued, not run at once";

  platform::RunLoop::main().runOnce(false);
  EXPECT_EQ(5, scene->frames_);
  EXPECT_FALSE(director->isRunning());
  EXPECT_EQ(before.seconds + 1, clock_.now().seconds) << "five paused frames sleep 1.25 s";
  EXPECT_EQ(before.microseconds + 250000, clock_.now().microseconds);
}

TEST_F(CCDirectorTest, FastThreadedLoopDrawsOnTheMainThreadAndJoinsOnPurge) {
  ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeFastThreaded));
  CCDirector* director = CCDirector::sharedDirector();
  TraceScene* scene = TraceScene::named("A");
  std::vector<bool> onMainThread;
  scene->onFrame_ = [&](int) { onMainThread.push_back(platform::isMainThread()); };
  director->runWithScene(scene);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (scene->frames_ < 3 && std::chrono::steady_clock::now() < deadline) platform::RunLoop::main().runOnce(true);
  ASSERT_GE(scene->frames_, 3);
  EXPECT_THAT(onMainThread, testing::Each(true));

  // The helper thread is waiting for a frame nobody pumps: the purge must
  // still join it, and the queued request must then draw nothing.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const int frames = scene->frames_;
  Ref<TraceScene> keep(scene);
  CCDirector::purgeSharedDirector();
  while (platform::RunLoop::main().runOnce(false)) {
  }
  EXPECT_EQ(frames, scene->frames_);
}

// [SECTION] Scene stack

TEST_F(CCDirectorTest, FirstFrameSwitchesAfterTheTick) {
  CCDirector* director = CCDirector::sharedDirector();
  Ref<Probe> probe = Ref<Probe>::adopt(Probe::owned("probe"));
  scheduleTick(probe);
  director->runWithScene(TraceScene::named("A"));
  EXPECT_EQ(nullptr, director->runningScene());
  director->drawScene();
  EXPECT_THAT(g_trace, ElementsAre("probe tick", "A onEnter", "A didFinish"));
}

TEST_F(CCDirectorTest, PushThenPopSuspendsAndResumesTheScene) {
  CCDirector* director = CCDirector::sharedDirector();
  director->runWithScene(TraceScene::named("A"));
  director->drawScene();
  director->pushScene(TraceScene::named("B"));
  director->drawScene();
  director->popScene();
  director->drawScene();
  // B is still pending in the test's pool, so it outlives the switch.
  EXPECT_THAT(g_trace, ElementsAre("A onEnter", "A didFinish", "A onExit", "B onEnter", "B didFinish", "B onExit",
                                   "B cleanup", "A onEnter", "A didFinish"));
}

TEST_F(CCDirectorTest, ReplaceCleansUpAndReleasesTheOldScene) {
  CCDirector* director = CCDirector::sharedDirector();
  auto* first = new TraceScene();
  first->init();
  first->name_ = "A";
  director->runWithScene(first);
  first->release();
  director->drawScene();
  director->replaceScene(TraceScene::named("B"));
  director->drawScene();
  EXPECT_THAT(g_trace, ElementsAre("A onEnter", "A didFinish", "A onExit", "A cleanup", "A dealloc", "B onEnter",
                                   "B didFinish"));
}

TEST_F(CCDirectorTest, PopOfTheLastSceneEndsTheDirector) {
  CCDirector* director = CCDirector::sharedDirector();
  TraceScene* scene = TraceScene::named("A");
  director->runWithScene(scene);
  platform::RunLoop::main().runFor(0.1);
  g_trace.clear();
  director->popScene();
  EXPECT_THAT(g_trace, ElementsAre("A onExit", "A cleanup"));
  EXPECT_EQ(nullptr, director->runningScene());
  const int frames = scene->frames_;
  platform::RunLoop::main().runFor(0.5);
  EXPECT_EQ(frames, scene->frames_) << "the loop must be stopped";
}

TEST_F(CCDirectorTest, SceneMisuseInvalid) {
  CCDirector* director = CCDirector::sharedDirector();
  AssertionRecorder assertions;
  director->runWithScene(nullptr);
  director->popScene();
  director->replaceScene(TraceScene::named("A"));
  director->runWithScene(TraceScene::named("B"));
  director->drawScene();
  director->runWithScene(TraceScene::named("C"));
  EXPECT_THAT(assertions.messages(),
              ElementsAre("Argument must be non-nil", "A running Scene is needed",
                          "replaceScene needs a scene on the stack; start with runWithScene",
                          "You can't run an scene if another Scene is running. Use replaceScene or pushScene instead"));
  EXPECT_THAT(g_trace, ElementsAre("B onEnter", "B didFinish"));
}

TEST_F(CCDirectorTest, EndPurgesSchedulerThenActionManagerAndStartsAgain) {
  CCDirector* director = CCDirector::sharedDirector();
  director->runWithScene(TraceScene::named("A"));
  director->drawScene();
  // One target only the scheduler holds, one only the action manager holds:
  // the order they die in is the order of the purges.
  Probe* scheduled = Probe::owned("scheduled");
  scheduleTick(scheduled);
  Probe* acting = Probe::owned("acting");
  acting->runAction(CCDelayTime::actionWithDuration(10));
  scheduled->release();
  acting->release();
  Ref<CountingProjection> delegate = Ref<CountingProjection>::adopt(new CountingProjection());
  director->setProjectionDelegate(delegate);
  g_trace.clear();

  director->end();
  EXPECT_THAT(g_trace, ElementsAre("A onExit", "A cleanup", "scheduled dealloc", "acting dealloc"));
  EXPECT_EQ(nullptr, director->runningScene());
  EXPECT_EQ(nullptr, director->projectionDelegate());
  EXPECT_EQ(1u, delegate->retainCount());

  director->runWithScene(TraceScene::named("B"));
  director->drawScene();
  EXPECT_EQ("B didFinish", g_trace.back());
}

TEST_F(CCDirectorTest, EndRemovesTouchDelegates) {
  struct Delegate : platform::Object, CCStandardTouchDelegate {};
  Ref<Delegate> delegate = Ref<Delegate>::adopt(new Delegate());
  CCTouchDispatcher::sharedDispatcher()->addStandardDelegate(delegate, 0);
  CCDirector::sharedDirector()->end();
  EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->standardHandlers().empty());
}

// [SECTION] Delta time

TEST_F(CCDirectorTest, DeltaTimeIsMeasuredInFloatFromTheLastReading) {
  CCDirector* director = CCDirector::sharedDirector();
  director->calculateDeltaTime();
  EXPECT_EQ(0.0f, director->deltaTime()) << "nothing to measure from yet";
  clock_.set({1000000, 900000});
  director->calculateDeltaTime();
  clock_.set({1000002, 650000});  // the microseconds borrow from the seconds
  director->calculateDeltaTime();
  EXPECT_EQ(2.0f + -250000.0f / 1000000.0f, director->deltaTime());
}

TEST_F(CCDirectorTest, NextDeltaTimeZeroGivesExactlyOneZeroFrame) {
  CCDirector* director = CCDirector::sharedDirector();
  director->calculateDeltaTime();
  director->setNextDeltaTimeZero(true);
  clock_.advance(0.1);
  director->calculateDeltaTime();
  EXPECT_EQ(0.0f, director->deltaTime());
  EXPECT_FALSE(director->nextDeltaTimeZero());
  clock_.advance(0.1);
  director->calculateDeltaTime();
  EXPECT_EQ(100000.0f / 1000000.0f, director->deltaTime()) << "measured from the zero frame's reading";
}

TEST_F(CCDirectorTest, ClockSteppingBackGivesZero) {
  CCDirector* director = CCDirector::sharedDirector();
  director->calculateDeltaTime();
  clock_.set({999990, 0});
  director->calculateDeltaTime();
  EXPECT_EQ(0.0f, director->deltaTime());
  clock_.set({999990, 500000});
  director->calculateDeltaTime();
  EXPECT_EQ(0.5f, director->deltaTime());
}

TEST_F(CCDirectorTest, PauseKeepsTheFirstSavedIntervalAndResumeDiscardsPausedTime) {
  CCDirector* director = CCDirector::sharedDirector();
  director->setAnimationInterval(1.0 / 30.0);
  director->resume();  // not paused: nothing
  EXPECT_FALSE(director->isPaused());
  director->pause();
  director->pause();
  EXPECT_EQ(0.25, director->animationInterval());
  clock_.advance(10.0);
  director->resume();
  EXPECT_EQ(1.0 / 30.0, director->animationInterval());
  EXPECT_EQ(0.0f, director->deltaTime());
  clock_.advance(0.25);
  director->calculateDeltaTime();
  EXPECT_EQ(0.25f, director->deltaTime());
}

// [SECTION] Orientation, sizes and coordinates

TEST_F(CCDirectorTest, LandscapeSwapsWinSize) {
  SizedDirector* director = SizedDirector::shared();
  director->setWindowSize(CGSizeMake(320, 480));
  const int orientations[] = {1, 2, 3, 4};
  const CGSize expected[] = {{320, 480}, {320, 480}, {480, 320}, {480, 320}};
  for (int i = 0; i < 4; ++i) {
    director->setDeviceOrientation(orientations[i]);
    EXPECT_EQ(expected[i].width, director->winSize().width) << "orientation " << orientations[i];
    EXPECT_EQ(expected[i].height, director->winSize().height) << "orientation " << orientations[i];
  }
  EXPECT_EQ(4, platform::Application::sharedApplication()->statusBarOrientation());
  director->setContentScaleFactor(2.0f);
  EXPECT_EQ(960.0f, director->winSizeInPixels().width);
  EXPECT_EQ(640.0f, director->winSizeInPixels().height);
  EXPECT_EQ(640.0f, director->displaySizeInPixels().width) << "the stored size is not turned";
}

TEST_F(CCDirectorTest, UnknownOrientationIsLoggedAndStored) {
  SizedDirector* director = SizedDirector::shared();
  LogCapture log;
  director->setDeviceOrientation(9);
  EXPECT_EQ(9, director->deviceOrientation());
  EXPECT_THAT(log.lines(), ElementsAre("Director: Unknown device orientation"));
  EXPECT_EQ(0.0f, director->convertToGL(CGPointMake(10, 20)).x);
}

struct ConversionCase {
  int orientation;
  float scale;
  CGPoint in;
  CGPoint gl;  // convertToGL(in)
  CGPoint ui;  // convertToUI(in)
};

class CCDirectorConversionTest : public CCDirectorTest, public testing::WithParamInterface<ConversionCase> {};

TEST_P(CCDirectorConversionTest, ConvertsBetweenViewAndEngineCoordinates) {
  const ConversionCase& c = GetParam();
  ccSetContentScaleFactor(c.scale);
  SizedDirector* director = SizedDirector::shared();
  ccSetContentScaleFactor(c.scale);  // init resets it to 1
  director->setWindowSize(CGSizeMake(320, 480));
  director->setDeviceOrientation(c.orientation);
  const CGPoint gl = director->convertToGL(c.in);
  const CGPoint ui = director->convertToUI(c.in);
  EXPECT_EQ(c.gl.x, gl.x);
  EXPECT_EQ(c.gl.y, gl.y);
  EXPECT_EQ(c.ui.x, ui.x);
  EXPECT_EQ(c.ui.y, ui.y);
}

// W = 320, H = 480 points. convertToUI truncates W - x and H - y, then
// divides by the scale; convertToGL does neither.
INSTANTIATE_TEST_SUITE_P(CCDirectorOrientations, CCDirectorConversionTest,
                         testing::Values(ConversionCase{1, 1, {10, 20}, {10, 460}, {10, 460}},
                                         ConversionCase{1, 1, {10.5f, 20.7f}, {10.5f, 459.3f}, {10.5f, 459}},
                                         ConversionCase{2, 1, {10.7f, 20}, {309.3f, 20}, {309, 20}},
                                         ConversionCase{3, 1, {10, 20}, {20, 10}, {20, 10}},
                                         ConversionCase{4, 1, {10, 20}, {460, 310}, {300, 470}},
                                         ConversionCase{1, 2, {10, 20}, {10, 460}, {5, 230}},
                                         ConversionCase{3, 2, {10, 20}, {20, 10}, {10, 5}},
                                         ConversionCase{4, 2, {10, 20}, {460, 310}, {150, 235}}));

TEST_F(CCDirectorTest, LandscapeConversionsRoundTrip) {
  SizedDirector* director = SizedDirector::shared();
  director->setWindowSize(CGSizeMake(320, 480));
  for (int orientation : {3, 4}) {
    director->setDeviceOrientation(orientation);
    const CGPoint view = CGPointMake(37, 211);
    const CGPoint back = director->convertToUI(director->convertToGL(view));
    EXPECT_EQ(view.x, back.x) << "orientation " << orientation;
    EXPECT_EQ(view.y, back.y) << "orientation " << orientation;
  }
}

TEST_F(CCDirectorTest, ContentScaleFactorChangeReappliesProjection) {
  SizedDirector* director = SizedDirector::shared();
  director->setWindowSize(CGSizeMake(320, 480));
  Ref<CountingProjection> projection = Ref<CountingProjection>::adopt(new CountingProjection());
  director->setProjectionDelegate(projection);
  director->setProjection(kCCDirectorProjectionCustom);
  EXPECT_EQ(1, projection->calls_);
  director->setContentScaleFactor(1.0f);
  EXPECT_EQ(1, projection->calls_) << "the current factor changes nothing";
  director->setContentScaleFactor(2.0f);
  EXPECT_EQ(2, projection->calls_);
  EXPECT_EQ(2.0f, CC_CONTENT_SCALE_FACTOR());
  EXPECT_EQ(960.0f, director->winSizeInPixels().height);
  EXPECT_EQ(960.0f / 1.1566f, director->getZEye());
}

}  // namespace
