#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionInterval.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSpeed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using platform::Object;
using platform::Ref;
using testing::ElementsAre;

namespace {

std::vector<std::string> g_trace;

/// Records every call the manager makes. onStep runs inside step(), after the
/// fraction has been applied.
class TraceAction : public CCActionInterval {
  PLATFORM_CLASS(TraceAction, CCActionInterval)
 public:
  void startWithTarget(Object* target) override { note("start"); CCActionInterval::startWithTarget(target); }
  void step(float dt) override {
    note("step");
    CCActionInterval::step(dt);
    if (onStep) onStep();
    note("stepped");  // a use-after-free here if not kept alive
  }
  void update(float t) override {
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, "%g", t);
    note(std::string("update ") + fraction);
  }
  bool isDone() const override { note("isDone"); return CCActionInterval::isDone(); }
  void stop() override { note("stop"); CCActionInterval::stop(); }
  std::string name;
  std::function<void()> onStep;

 protected:
  ~TraceAction() override { note("dealloc"); }
  void note(const std::string& what) const { g_trace.push_back(name + " " + what); }
};

TraceAction* makeAction(std::string name, float duration) {
  auto* action = new TraceAction();
  action->name = std::move(name);
  action->initWithDuration(duration);
  return action;  // owned by the caller
}

/// The trace lines ending in `word`.
std::vector<std::string> only(const std::string& word) {
  std::vector<std::string> kept;
  std::copy_if(g_trace.begin(), g_trace.end(), std::back_inserter(kept),
               [&](const std::string& line) { return line.ends_with(" " + word); });
  return kept;
}

class CCActionManagerTest : public testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
  void TearDown() override {
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }

  /// Runs a new action; the manager holds its only reference.
  TraceAction* run(const std::string& name, float duration = 10.0f, bool paused = false,
                   Object* target = nullptr) {
    TraceAction* action = makeAction(name, duration);
    manager_->addAction(action, target ? target : target_.get(), paused);
    action->release();
    return action;
  }
  void frames(int count, float dt = 1.0f / 60) {
    for (int i = 0; i < count; ++i) manager_->update(dt);
  }

  CCActionManager* manager_ = CCActionManager::sharedManager();
  Ref<Object> target_ = Ref<Object>::adopt(new Object());
};

TEST_F(CCActionManagerTest, PausedEntryStartsActionsButStepsThemOnlyAfterResume) {
  run("a", 10.0f, /*paused=*/true);
  run("b", 10.0f, /*paused=*/false);  // the entry keeps its paused flag
  frames(2);
  EXPECT_THAT(g_trace, ElementsAre("a start", "b start"));
  manager_->resumeTarget(target_);
  g_trace.clear();
  frames(1, 0.5f);
  EXPECT_THAT(g_trace, ElementsAre("a step", "a update 0", "a stepped", "a isDone",  //
                                   "b step", "b update 0", "b stepped", "b isDone"));

  Ref<Object> idle = Ref<Object>::adopt(new Object());
  manager_->pauseTarget(idle);  // a target without actions gets no entry
  EXPECT_EQ(idle->retainCount(), 1u);
}

TEST_F(CCActionManagerTest, MisuseIsInvalidAndChangesNothing) {
  testing_support::AssertionRecorder recorder;
  TraceAction* a = run("a");
  manager_->addAction(a, target_, false);
  manager_->addAction(nullptr, target_, false);
  manager_->addAction(a, nullptr, false);
  manager_->removeActionByTag(-1, target_);
  manager_->removeActionByTag(3, nullptr);
  EXPECT_EQ(manager_->getActionByTag(-1, target_), nullptr);
  EXPECT_THAT(recorder.messages(),
              ElementsAre("runAction: Action already running", "Argument action must be non-nil",
                          "Argument target must be non-nil", "Invalid tag", "Target should be ! nil",
                          "Invalid tag"));
  EXPECT_THAT(recorder.files(), testing::Each(std::string("libs/tessera/CCActionManager.cpp")));
  EXPECT_EQ(manager_->numberOfRunningActionsInTarget(target_), 1u);
  EXPECT_THAT(only("start"), ElementsAre("a start"));
}

TEST_F(CCActionManagerTest, FinishedActionIsStoppedAndReleasedWithItsTargetInTheSameFrame) {
  run("a", 0.5f);
  run("b");
  EXPECT_EQ(target_->retainCount(), 2u);  // once per entry, not per action
  frames(1, 0.5f);                         // the first step applies 0
  g_trace.clear();
  frames(1, 0.5f);
  EXPECT_THAT(g_trace, ElementsAre("a step", "a update 1", "a stepped", "a isDone", "a stop", "a dealloc",
                                   "b step", "b update 0.05", "b stepped", "b isDone"));
  EXPECT_EQ(manager_->numberOfRunningActionsInTarget(target_), 1u);
  manager_->removeAllActionsFromTarget(target_);
  EXPECT_EQ(target_->retainCount(), 1u);
  EXPECT_THAT(only("stop"), ElementsAre("a stop"));  // removal never stops
}

TEST_F(CCActionManagerTest, ActionRemovingItselfLivesUntilItsStepReturnsAndIsNotStopped) {
  TraceAction* a = run("a");
  a->onStep = [&] { manager_->removeAction(a); };
  run("b");
  frames(1);
  EXPECT_THAT(g_trace, ElementsAre("a start", "b start", "a step", "a update 0", "a stepped", "a dealloc",
                                   "b step", "b update 0", "b stepped", "b isDone"));
}

TEST_F(CCActionManagerTest, RemovingOtherActionsDuringAStepSkipsAndRepeatsNothing) {
  TraceAction* a = run("a");
  TraceAction* b = run("b");
  TraceAction* c = run("c");
  b->onStep = [&] { manager_->removeAction(std::exchange(a, nullptr)); };  // once
  frames(1);
  EXPECT_THAT(only("step"), ElementsAre("a step", "b step", "c step"));
  b->onStep = [&] { manager_->removeAction(std::exchange(c, nullptr)); };  // the next is not stepped
  g_trace.clear();
  frames(1);
  EXPECT_THAT(only("step"), ElementsAre("b step"));
}

TEST_F(CCActionManagerTest, RemovingAllActionsOfTheSteppedTargetFreesTheEntryAfterItsTurn) {
  TraceAction* a = run("a");
  run("b");
  uint32_t retainsInside = 0;
  a->onStep = [&] {
    manager_->removeAllActionsFromTarget(target_);
    retainsInside = target_->retainCount();
  };
  frames(1);
  EXPECT_EQ(retainsInside, 2u);  // the entry still holds the target during its turn
  EXPECT_THAT(only("step"), ElementsAre("a step"));
  EXPECT_THAT(only("dealloc"), ElementsAre("b dealloc", "a dealloc"));
  EXPECT_EQ(target_->retainCount(), 1u);

  // An action added meanwhile keeps the entry, and runs from the next frame.
  run("c")->onStep = [&] {
    manager_->removeAllActionsFromTarget(target_);
    run("d");
  };
  frames(1);
  EXPECT_EQ(manager_->numberOfRunningActionsInTarget(target_), 1u);
  EXPECT_EQ(target_->retainCount(), 2u);
  g_trace.clear();
  frames(1);
  EXPECT_THAT(only("step"), ElementsAre("d step"));
}

TEST_F(CCActionManagerTest, TagLookupsUseTheFirstMatch) {
  TraceAction* a = run("a");
  TraceAction* b = run("b");
  a->setTag(7);
  b->setTag(7);
  EXPECT_EQ(manager_->getActionByTag(7, target_), a);
  manager_->removeActionByTag(7, target_);
  EXPECT_THAT(only("dealloc"), ElementsAre("a dealloc"));
  EXPECT_EQ(manager_->getActionByTag(7, target_), b);
}

TEST_F(CCActionManagerTest, TargetsTakeTurnsInTheOrderTheyWereAdded) {
  Ref<Object> first = Ref<Object>::adopt(new Object());
  Ref<Object> second = Ref<Object>::adopt(new Object());
  run("1", 10.0f, false, first);
  run("2", 10.0f, false, second);
  run("3");
  manager_->removeAllActionsFromTarget(first);
  run("1'", 10.0f, false, first);  // a re-created entry goes to the end
  g_trace.clear();
  frames(1);
  EXPECT_THAT(only("step"), ElementsAre("2 step", "3 step", "1' step"));
}

TEST_F(CCActionManagerTest, RepeatForeverRestartsItsInnerActionAtFractionZero) {
  TraceAction* inner = makeAction("in", 1.0f);
  manager_->addAction(CCRepeatForever::actionWithAction(inner), target_, false);
  inner->release();
  for (int i = 0; i < 90; ++i) {
    frames(1);
    ASSERT_EQ(manager_->numberOfRunningActionsInTarget(target_), 1u) << "frame " << i;
  }
  EXPECT_THAT(only("start"), ElementsAre("in start", "in start"));
  EXPECT_TRUE(only("stop").empty());
  auto restart = std::find(g_trace.begin() + 1, g_trace.end(), "in start");
  EXPECT_EQ(*(restart - 3), "in update 1");  // the finished cycle ends exactly at 1
  EXPECT_EQ(*(restart + 2), "in update 0");  // and the new one begins at 0 in the same frame
}

TEST_F(CCActionManagerTest, SpeedScalesTheInnerActionsTime) {
  for (auto [name, speed] : {std::pair{"frozen", 0.0f}, std::pair{"fast", 2.0f}}) {
    TraceAction* inner = makeAction(name, 1.0f);
    manager_->addAction(CCSpeed::actionWithAction(inner, speed), target_, false);
    inner->release();
  }
  int framesRun = 0;
  for (; manager_->numberOfRunningActionsInTarget(target_) == 2 && framesRun < 100; ++framesRun) frames(1);
  // 1 s at double speed is 30 frames of 1/60 s after the frame that starts the clock.
  EXPECT_GE(framesRun, 31);
  EXPECT_LE(framesRun, 32);
  EXPECT_THAT(only("stop"), ElementsAre("fast stop"));
  EXPECT_THAT(g_trace, testing::Contains("frozen update 0"));
  EXPECT_THAT(g_trace, testing::Not(testing::Contains(testing::AllOf(testing::StartsWith("frozen update"),
                                                                     testing::Ne("frozen update 0")))));
}

TEST_F(CCActionManagerTest, SchedulerDrivesTheSingletonUntilItIsPurged) {
  run("a");
  CCScheduler::sharedScheduler()->tick(0.25f);
  EXPECT_THAT(only("step"), ElementsAre("a step"));
  {
    testing_support::AssertionRecorder recorder;
    auto stray = Ref<CCActionManager>::adopt(new CCActionManager());
    EXPECT_THAT(recorder.messages(), ElementsAre("Attempted to allocate a second instance of a singleton."));
  }
  EXPECT_EQ(CCActionManager::sharedManager(), manager_);  // destroying the stray one kept the singleton

  CCActionManager::purgeSharedManager();
  EXPECT_THAT(only("dealloc"), ElementsAre("a dealloc"));
  EXPECT_TRUE(only("stop").empty());
  EXPECT_EQ(target_->retainCount(), 1u);
  CCScheduler::sharedScheduler()->tick(0.25f);  // nothing left scheduled
}

}  // namespace
