#include "platform/AutoreleasePool.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/View.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

using platform::DisplayLink;
using platform::ManualClock;
using platform::Ref;
using platform::RunLoop;
using platform::Timer;

namespace {

// Counts its destruction, so tests can see when the loop lets go.
class Tracked : public platform::Object {
  PLATFORM_CLASS(Tracked, Object)
 public:
  static inline int alive = 0;
  Tracked() { ++alive; }
  void refresh(DisplayLink* link) { times.push_back(link->timestamp()); }
  std::vector<double> times;

 protected:
  ~Tracked() override { --alive; }
};

class LayoutCountingView : public platform::View {
  PLATFORM_CLASS(LayoutCountingView, View)
 public:
  void layoutSubviews() override {
    ++layouts;
    if (resizeDuringLayout) {
      resizeDuringLayout = false;
      setFrame(CGRectMake(0, 0, 7, 7));
    }
  }
  int layouts = 0;
  bool resizeDuringLayout = false;
};

// Every test runs on a manual clock, so seconds of loop time take none.
class RunLoopTest : public testing::Test {
 protected:
  void SetUp() override {
    RunLoop::main().runFor(0);  // leftovers of earlier tests
    start_ = RunLoop::main().now();
  }
  double sinceStart(double time) const { return time - start_; }

  ManualClock clock_;
  double start_ = 0;
};

// [SECTION] Timers

TEST_F(RunLoopTest, RepeatingTimerFiresOnItsGridWithoutRealTime) {
  std::vector<double> fired;
  Timer* timer = Timer::scheduledTimer(1.0 / 60, true, [&](Timer*) { fired.push_back(RunLoop::main().now()); });
  const auto realStart = std::chrono::steady_clock::now();
  RunLoop::main().runFor(1.0);
  timer->invalidate();
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(500));
  ASSERT_EQ(fired.size(), 60u);
  for (std::size_t i = 0; i < fired.size(); ++i) {
    EXPECT_NEAR(sinceStart(fired[i]), (i + 1) / 60.0, 2e-6) << "firing " << i;
  }
}

TEST_F(RunLoopTest, LateCallbackFiresOnceMoreThenReturnsToTheGrid) {
  std::vector<double> fired;
  Timer* timer = Timer::scheduledTimer(1.0 / 60, true, [&](Timer*) {
    fired.push_back(sinceStart(RunLoop::main().now()));
    if (fired.size() == 1) clock_.advance(0.1);  // a callback that takes six periods
  });
  RunLoop::main().runFor(1.0);
  timer->invalidate();
  ASSERT_GE(fired.size(), 3u);
  EXPECT_NEAR(fired[0], 1 / 60.0, 2e-6);
  EXPECT_NEAR(fired[1], 7 / 60.0, 2e-6);  // once, at once: the missed five are dropped
  EXPECT_NEAR(fired[2], 8 / 60.0, 2e-6);
  EXPECT_EQ(fired.size(), 55u);
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceAndIsReleased) {
  int fired = 0;
  Ref<Timer> timer = Timer::scheduledTimer(0.5, false, [&](Timer*) { ++fired; });
  EXPECT_EQ(timer->retainCount(), 3u);  // ours, the loop's, the pending autorelease
  RunLoop::main().runFor(2.0);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(timer->retainCount(), 2u);  // the loop let go
}

TEST_F(RunLoopTest, TimerInvalidatedInsideItsCallbackStops) {
  int fired = 0;
  Timer::scheduledTimer(0.1, true, [&](Timer* self) {
    if (++fired == 3) self->invalidate();
  });
  RunLoop::main().runFor(1.0);
  EXPECT_EQ(fired, 3);
}

TEST_F(RunLoopTest, NonPositiveIntervalStillAdvances) {
  int fired = 0;
  Timer* timer = Timer::scheduledTimer(0, true, [&](Timer*) { ++fired; });
  RunLoop::main().runFor(0.001);
  timer->invalidate();
  EXPECT_EQ(fired, 10);  // every 0.1 ms
}

// [SECTION] Display link

struct FrameIntervalCase {
  int frameInterval;
  std::size_t callbacksPerSecond;
};

class DisplayLinkIntervalTest : public RunLoopTest, public testing::WithParamInterface<FrameIntervalCase> {};

TEST_P(DisplayLinkIntervalTest, FiresEveryIntervalRefreshesFromAdding) {
  Ref<Tracked> target = Ref<Tracked>::adopt(new Tracked());
  DisplayLink* link = DisplayLink::displayLinkWithTarget(target, CC_SEL(Tracked::refresh));
  link->setFrameInterval(GetParam().frameInterval);
  link->addToRunLoop(RunLoop::main());
  RunLoop::main().runFor(1.0);
  link->invalidate();
  ASSERT_EQ(target->times.size(), GetParam().callbacksPerSecond);
  EXPECT_NEAR(sinceStart(target->times.front()), GetParam().frameInterval / 60.0, 2e-6);
  EXPECT_NEAR(sinceStart(target->times.back()), 1.0, 2e-6);
}

INSTANTIATE_TEST_SUITE_P(RunLoop, DisplayLinkIntervalTest,
                         testing::Values(FrameIntervalCase{1, 60}, FrameIntervalCase{2, 30},
                                         FrameIntervalCase{15, 4}));

TEST_F(RunLoopTest, DisplayLinkIsFoundAsCADisplayLinkAndReleasesItsTargetWhenInvalidated) {
  EXPECT_EQ(platform::ClassInfo::named("CADisplayLink"), &DisplayLink::classInfo_);
  const int aliveBefore = Tracked::alive;
  {
    platform::AutoreleasePool pool;
    auto* target = new Tracked();
    DisplayLink* link = DisplayLink::displayLinkWithTarget(target, CC_SEL(Tracked::refresh));
    target->release();  // only the link holds it now
    link->addToRunLoop(RunLoop::main());
    RunLoop::main().runFor(0.05);
    EXPECT_EQ(target->times.size(), 3u);
    link->invalidate();
    EXPECT_EQ(Tracked::alive, aliveBefore + 1);  // released when the pool drains, not mid-call
  }
  EXPECT_EQ(Tracked::alive, aliveBefore);
}

// [SECTION] Performed calls and pumping

TEST_F(RunLoopTest, PerformFromWorkerWithWaitReturnsAfterTheCallRanOnTheMainThread) {
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> returned{false};
  std::atomic<bool> sawResult{false};
  std::thread worker([&] {
    EXPECT_FALSE(platform::isMainThread());
    platform::performOnMainThread([&] { ranOnMain = platform::isMainThread(); }, true);
    sawResult = ranOnMain.load();
    returned = true;
  });
  EXPECT_TRUE(RunLoop::main().runOnce(true));  // sleeps until the call arrives, then runs it
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(sawResult);
}

TEST_F(RunLoopTest, PerformOnMainThreadRunsInlineWhenWaitingAndQueuesOtherwise) {
  std::vector<int> order;
  platform::performOnMainThread([&] { order.push_back(1); }, false);
  platform::performOnMainThread([&] { order.push_back(2); }, true);
  EXPECT_EQ(order, std::vector<int>({2}));
  EXPECT_TRUE(RunLoop::main().runOnce(false));
  EXPECT_EQ(order, std::vector<int>({2, 1}));
}

TEST_F(RunLoopTest, IdlePassReturnsFalse) { EXPECT_FALSE(RunLoop::main().runOnce(false)); }

TEST_F(RunLoopTest, NestedPassFromACallbackRunsOtherSourcesButNotTheSameTimerAgain) {
  int timerFirings = 0;
  int queuedRuns = 0;
  Timer* timer = Timer::scheduledTimer(0.1, true, [&](Timer*) {
    ++timerFirings;
    platform::performOnMainThread([&] { ++queuedRuns; }, false);
    EXPECT_TRUE(RunLoop::main().isRunningPass());
    while (RunLoop::main().runOnce(false)) {
    }
  });
  RunLoop::main().runFor(0.1);
  timer->invalidate();
  EXPECT_EQ(timerFirings, 1);
  EXPECT_EQ(queuedRuns, 1);
}

TEST_F(RunLoopTest, AutoreleasedObjectsDieWhenTheirCallbackReturns) {
  const int aliveBefore = Tracked::alive;
  int aliveInside = 0;
  platform::performOnMainThread(
      [&] {
        platform::autoreleased(new Tracked());
        aliveInside = Tracked::alive;
      },
      false);
  RunLoop::main().runOnce(false);
  EXPECT_EQ(aliveInside, aliveBefore + 1);
  EXPECT_EQ(Tracked::alive, aliveBefore);
}

// [SECTION] Real clock

TEST(RunLoopRealClockTest, TimersFireOnTimeWithoutAManualClock) {
  int fired = 0;
  Timer* timer = Timer::scheduledTimer(0.01, true, [&](Timer*) { ++fired; });
  const double start = RunLoop::main().now();
  RunLoop::main().runFor(0.1);
  timer->invalidate();
  EXPECT_GE(RunLoop::main().now() - start, 0.1);
  EXPECT_GE(fired, 5);
  EXPECT_LE(fired, 10);
}

// [SECTION] Deferred layout

TEST_F(RunLoopTest, ResizingTwiceGivesOneLayoutAtTheNextPass) {
  Ref<LayoutCountingView> view = Ref<LayoutCountingView>::adopt(new LayoutCountingView());
  view->setFrame(CGRectMake(0, 0, 10, 10));
  view->setFrame(CGRectMake(0, 0, 20, 20));
  view->setFrame(CGRectMake(5, 5, 20, 20));  // a move alone asks for nothing
  EXPECT_EQ(view->layouts, 0);
  EXPECT_TRUE(RunLoop::main().runOnce(false));
  EXPECT_EQ(view->layouts, 1);
  EXPECT_FALSE(RunLoop::main().runOnce(false));
  EXPECT_EQ(view->layouts, 1);
  view->setContentScaleFactor(2);
  RunLoop::main().runOnce(false);
  EXPECT_EQ(view->layouts, 2);
}

TEST_F(RunLoopTest, ResizeDuringLayoutWaitsForTheNextPass) {
  Ref<LayoutCountingView> view = Ref<LayoutCountingView>::adopt(new LayoutCountingView());
  view->resizeDuringLayout = true;
  view->setFrame(CGRectMake(0, 0, 10, 10));
  RunLoop::main().runOnce(false);
  EXPECT_EQ(view->layouts, 1);
  RunLoop::main().runOnce(false);
  EXPECT_EQ(view->layouts, 2);
}

TEST_F(RunLoopTest, ViewDestroyedWithALayoutPendingIsForgotten) {
  auto* view = new LayoutCountingView();
  view->setFrame(CGRectMake(0, 0, 10, 10));
  view->release();
  EXPECT_FALSE(RunLoop::main().runOnce(false));
}

}  // namespace
