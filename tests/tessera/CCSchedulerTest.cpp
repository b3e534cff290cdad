#include "tessera/CCScheduler.h"
#include "tessera/CCTimer.h"

#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using platform::Ref;
using testing_support::AssertionRecorder;
using Trace = std::vector<std::string>;
using Values = std::vector<float>;

namespace {

Trace g_trace;     // "A.tick", "A dealloc", ...
Values g_values;   // the dt of every callback, in call order

// A target that records its callbacks and can run a hook inside each.
class Probe : public platform::Object {
  PLATFORM_CLASS(Probe, platform::Object)
 public:
  using Hook = std::function<void(Probe&)>;
  static Ref<Probe> make(std::string name) {
    auto* probe = new Probe();
    probe->name_ = std::move(name);
    return Ref<Probe>::adopt(probe);
  }
  void tick(float dt) { record("tick", dt, onTick); }
  void logic(float dt) { record("logic", dt, onLogic); }
  void extra(float dt) { record("extra", dt, nullptr); }
  void update(float dt) override { record("update", dt, onUpdate); }
  void note(const std::string& text) { g_trace.push_back(name_ + " " + text); }

  Hook onTick, onLogic, onUpdate;
  std::function<void()> onDealloc;

 protected:
  ~Probe() override {
    note("dealloc");
    if (onDealloc) onDealloc();
  }

 private:
  void record(const char* method, float dt, const Hook& hook) {
    g_trace.push_back(name_ + "." + method);
    g_values.push_back(dt);
    if (hook) hook(*this);
  }
  std::string name_;
};

const platform::Selector kTick = CC_SEL(Probe::tick);
const platform::Selector kLogic = CC_SEL(Probe::logic);
const platform::Selector kExtra = CC_SEL(Probe::extra);

class CCSchedulerTest : public testing::Test {
 protected:
  void SetUp() override {
    CCScheduler::purgeSharedScheduler();
    scheduler_ = CCScheduler::sharedScheduler();
    g_trace.clear();
    g_values.clear();
  }
  void TearDown() override { CCScheduler::purgeSharedScheduler(); }

  // Runs one tick and returns what it called (the dts are left in g_values).
  Trace frame(float dt = 0.1f) {
    g_trace.clear();
    g_values.clear();
    scheduler_->tick(dt);
    return g_trace;
  }
  void every(Probe* target, std::initializer_list<platform::Selector> selectors, float interval = 0) {
    for (const auto& selector : selectors) scheduler_->scheduleSelector(selector, target, interval, false);
  }

  CCScheduler* scheduler_ = nullptr;
};

// [SECTION] Timer stepping

TEST_F(CCSchedulerTest, IntervalCountsFromTheSecondStepAndDropsTheExcess) {
  auto a = Probe::make("A");
  every(a, {kTick}, 1.0f);
  std::vector<int> firedOn;
  for (int i = 1; i <= 8; ++i) {
    if (!frame(0.4f).empty()) firedOn.push_back(i);
  }
  // Steps: 0, .4, .8, 1.2 fires; .4, .8, 1.2 fires. A carried excess would fire on the 6th.
  EXPECT_EQ(firedOn, (std::vector<int>{4, 7}));
  scheduler_->tick(0.4f);
  scheduler_->tick(0.4f);  // the third firing, again after three steps
  EXPECT_EQ(g_values, Values{0.4f + 0.4f + 0.4f});
}

TEST_F(CCSchedulerTest, ReschedulingChangesOnlyTheInterval) {
  auto a = Probe::make("A");
  every(a, {kTick}, 1.0f);
  every(a, {kLogic});
  for (int i = 0; i < 3; ++i) scheduler_->tick(0.4f);  // kTick has 0.8 accumulated
  every(a, {kTick}, 1.5f);
  // The old interval would fire now; a fresh timer would restart its clock and
  // run after logic.
  EXPECT_EQ(frame(0.4f), Trace{"A.logic"});
  EXPECT_EQ(frame(0.4f), (Trace{"A.tick", "A.logic"}));
  EXPECT_EQ(g_values[0], 0.4f + 0.4f + 0.4f + 0.4f);
}

TEST(CCTimerTest, DescriptionNamesTheTargetClassAndSelectorWithoutRetainingTheTarget) {
  auto a = Probe::make("A");
  CCTimer* timer = CCTimer::timerWithTarget(a, kTick, 2.0f);
  EXPECT_THAT(timer->description(),
              testing::MatchesRegex("<CCTimer = [0-9A-F]{8,} \\| target:Probe selector:\\(tick:\\)>"));
  EXPECT_EQ(a->retainCount(), 1u);
}

TEST(CCTimerTest, InitInvalid) {
  AssertionRecorder recorder;
  auto* timer = new CCTimer();
  EXPECT_FALSE(timer->init());
  EXPECT_EQ(recorder.messages(), Trace{"CCTimer: Init not supported."});
  timer->release();
}

// [SECTION] Order

TEST_F(CCSchedulerTest, UpdatesRunByAscendingPriorityInSchedulingOrderBeforeTimers) {
  const std::pair<const char*, int32_t> scheduled[] = {{"p5", 5}, {"n1", -1}, {"z", 0}, {"n2", -1}, {"p3", 3}};
  std::vector<Ref<Probe>> probes;
  for (auto [name, priority] : scheduled) {
    probes.push_back(Probe::make(name));
    scheduler_->scheduleUpdateForTarget(probes.back(), priority, false);
  }
  every(probes[1], {kTick});
  EXPECT_EQ(frame(), (Trace{"n1.update", "n2.update", "z.update", "p3.update", "p5.update", "n1.tick"}));
}

TEST_F(CCSchedulerTest, TargetRemovedAndAddedAgainTakesItsTurnLast) {
  auto a = Probe::make("A"), b = Probe::make("B"), c = Probe::make("C");
  for (Probe* p : {a.get(), b.get(), c.get()}) every(p, {kTick});
  scheduler_->unscheduleSelector(kTick, a);
  every(a, {kTick});
  EXPECT_EQ(frame(), (Trace{"B.tick", "C.tick", "A.tick"}));
}

// [SECTION] Changes made from inside callbacks

TEST_F(CCSchedulerTest, TimerRemovingItselfOrANeighbourLeavesTheOthersRunning) {
  auto a = Probe::make("A"), b = Probe::make("B");
  every(a, {kTick, kLogic, kExtra});
  every(b, {kTick, kLogic, kExtra});
  // Itself: its call finishes (the timer writes to itself afterwards) and the next timer runs.
  a->onTick = [&](Probe& self) { scheduler_->unscheduleSelector(kTick, &self); };
  // The next timer: skipped. An earlier one: nothing is repeated or skipped.
  a->onLogic = [&](Probe& self) { scheduler_->unscheduleSelector(kExtra, &self); };
  b->onLogic = [&](Probe& self) { scheduler_->unscheduleSelector(kTick, &self); };
  EXPECT_EQ(frame(), (Trace{"A.tick", "A.logic", "B.tick", "B.logic", "B.extra"}));
  EXPECT_EQ(frame(), (Trace{"A.logic", "B.logic", "B.extra"}));
}

TEST_F(CCSchedulerTest, TargetClearingItselfFromItsTimerEndsItsTurnAndLivesUntilThen) {
  Probe* a = Probe::make("A").detach();  // held only by the scheduler once released below
  auto b = Probe::make("B");
  every(a, {kTick, kLogic});
  scheduler_->scheduleUpdateForTarget(a, 0, false);
  a->release();
  every(b, {kTick});
  a->onTick = [&](Probe& self) {
    scheduler_->unscheduleAllSelectorsForTarget(&self);
    self.note("still alive");
  };
  EXPECT_EQ(frame(), (Trace{"A.update", "A.tick", "A still alive", "A dealloc", "B.tick"}));
  EXPECT_EQ(frame(), Trace{"B.tick"});
}

TEST_F(CCSchedulerTest, UpdateRemovingItselfAndTheNextEntryFreesThemAfterTheWalk) {
  Probe* a = Probe::make("A").detach();
  Probe* b = Probe::make("B").detach();
  auto c = Probe::make("C");
  for (Probe* p : {a, b, c.get()}) scheduler_->scheduleUpdateForTarget(p, 0, false);
  a->release();
  b->release();
  a->onUpdate = [&](Probe& self) {
    scheduler_->unscheduleUpdateForTarget(b);
    scheduler_->unscheduleUpdateForTarget(&self);
    self.note("still alive");
  };
  EXPECT_EQ(frame(), (Trace{"A.update", "A still alive", "C.update", "A dealloc", "B dealloc"}));
  EXPECT_EQ(frame(), Trace{"C.update"});
}

TEST_F(CCSchedulerTest, TeardownAtTheEndOfATurnMayUnscheduleTheNextTarget) {
  Probe* a = Probe::make("A").detach();
  auto b = Probe::make("B"), c = Probe::make("C");
  for (Probe* p : {a, b.get(), c.get()}) every(p, {kTick});
  a->release();
  a->onTick = [&](Probe& self) { scheduler_->unscheduleSelector(kTick, &self); };
  a->onDealloc = [&] { scheduler_->unscheduleAllSelectorsForTarget(b); };
  EXPECT_EQ(frame(), (Trace{"A.tick", "A dealloc", "C.tick"}));
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_EQ(frame(), Trace{"C.tick"});
}

// [SECTION] Pausing and time scale

TEST_F(CCSchedulerTest, PausedTargetKeepsItsTimeAndResumesWithoutCatchingUp) {
  auto a = Probe::make("A"), b = Probe::make("B");
  scheduler_->scheduleUpdateForTarget(a, 0, false);
  every(a, {kTick}, 1.0f);
  every(b, {kTick, kLogic});
  // Read once per turn: pausing from a timer lets the target's later timers run.
  b->onTick = [&](Probe& self) { scheduler_->pauseTarget(&self); };
  EXPECT_EQ(frame(0.4f), (Trace{"A.update", "B.tick", "B.logic"}));
  EXPECT_EQ(frame(0.4f), Trace{"A.update"});  // A's kTick: 0.4 accumulated
  scheduler_->pauseTarget(a);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(frame(0.4f), Trace{});
  scheduler_->resumeTarget(a);
  EXPECT_EQ(frame(0.4f), Trace{"A.update"});
  EXPECT_EQ(frame(0.4f), (Trace{"A.update", "A.tick"}));
  EXPECT_EQ(g_values, (Values{0.4f, 0.4f + 0.4f + 0.4f}));
}

TEST_F(CCSchedulerTest, TimeScaleScalesEveryDtAndOneKeepsItExact) {
  auto a = Probe::make("A");
  scheduler_->scheduleUpdateForTarget(a, 0, false);
  every(a, {kTick});
  scheduler_->tick(1.0f);
  EXPECT_EQ(g_values, (Values{1.0f, 0.0f}));  // interval 0: the first step fires with 0
  scheduler_->setTimeScale(0.5f);
  frame(0.3f);
  EXPECT_EQ(g_values, (Values{0.3f * 0.5f, 0.3f * 0.5f}));
  scheduler_->setTimeScale(1.0f);
  const float dt = std::nextafter(0.1f, 1.0f);
  frame(dt);
  EXPECT_EQ(g_values, (Values{dt, dt}));
}

// [SECTION] Ownership and lifetime

TEST_F(CCSchedulerTest, RetainsATargetOncePerEntryAndReleasesItWithTheEntry) {
  auto a = Probe::make("A"), b = Probe::make("B");
  scheduler_->scheduleUpdateForTarget(a, 0, false);
  every(a, {kTick, kLogic});
  EXPECT_EQ(a->retainCount(), 3u);
  scheduler_->unscheduleSelector(kTick, a);
  EXPECT_EQ(a->retainCount(), 3u);
  scheduler_->unscheduleSelector(kLogic, a);
  EXPECT_EQ(a->retainCount(), 2u);
  scheduler_->unscheduleUpdateForTarget(a);
  EXPECT_EQ(a->retainCount(), 1u);

  for (Probe* p : {a.get(), b.get()}) scheduler_->scheduleUpdateForTarget(p, -2, false);
  every(a, {kTick});
  scheduler_->unscheduleAllSelectors();
  EXPECT_EQ(frame(), Trace{});
  EXPECT_EQ(a->retainCount() + b->retainCount(), 2u);
  every(b, {kTick});
  CCScheduler::purgeSharedScheduler();
  EXPECT_EQ(b->retainCount(), 1u);
}

TEST_F(CCSchedulerTest, SecondInstanceInvalidAndItsTeardownKeepsTheSharedOne) {
  AssertionRecorder recorder;
  auto* second = new CCScheduler();
  EXPECT_EQ(recorder.messages(), Trace{"Attempted to allocate a second instance of a singleton."});
  second->release();
  EXPECT_EQ(CCScheduler::sharedScheduler(), scheduler_);
}

// [SECTION] Misuse

TEST_F(CCSchedulerTest, MisuseInvalidAndChangesNothing) {
  AssertionRecorder recorder;
  const platform::Selector none;
  auto a = Probe::make("A");
  scheduler_->unscheduleSelector(none, nullptr);  // both nil: quiet
  EXPECT_TRUE(recorder.empty());
  scheduler_->scheduleSelector(none, a, 0, false);
  scheduler_->scheduleSelector(kTick, nullptr, 0, false);
  scheduler_->scheduleUpdateForTarget(nullptr, 0, false);
  scheduler_->unscheduleSelector(kTick, nullptr);
  scheduler_->unscheduleSelector(none, a);
  scheduler_->pauseTarget(nullptr);
  scheduler_->resumeTarget(nullptr);
  scheduler_->scheduleTimer(nullptr);
  scheduler_->unscheduleTimer(nullptr);
  scheduler_->unscheduleAllTimers();
  EXPECT_EQ(recorder.messages(),
            (Trace{"Argument selector must be non-nil", "Argument target must be non-nil",
                   "Argument target must be non-nil", "Target MUST not be nil", "Selector MUST not be NULL",
                   "target must be non nil", "target must be non nil",
                   "Not implemented. Use scheduleSelector:forTarget:",
                   "Not implemented. Use unscheduleSelector:forTarget:",
                   "Not implemented. Use unscheduleAllSelectors"}));
  EXPECT_EQ(frame(), Trace{});
  EXPECT_EQ(a->retainCount(), 1u);
  recorder.clear();

  // A differing paused flag: the timer is added anyway and the target stays unpaused.
  every(a, {kTick});
  scheduler_->scheduleSelector(kLogic, a, 0, true);
  // A second per-frame update: refused, so the target is not updated twice.
  scheduler_->scheduleUpdateForTarget(a, 0, false);
  scheduler_->scheduleUpdateForTarget(a, 5, false);
  EXPECT_THAT(recorder.messages(),
              testing::ElementsAre(
                  "CCScheduler. Trying to schedule a selector with a pause value different than the target",
                  testing::HasSubstr("Probe already has a per-frame update")));
  EXPECT_EQ(frame(), (Trace{"A.update", "A.tick", "A.logic"}));
}

}  // namespace
