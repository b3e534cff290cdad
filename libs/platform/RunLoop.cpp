#include "platform/RunLoop.h"

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/RunLoopInternal.h"
#include "platform/Time.h"
#include "platform/View.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// [SECTION] Loop state
// [SECTION] Scheduling arithmetic
// [SECTION] Waiting
// [SECTION] One pass
// [SECTION] RunLoop
// [SECTION] Calls on the main thread
// [SECTION] Timer
// [SECTION] DisplayLink

namespace platform {

// Gives the loop access to the private schedule of timers and links.
struct RunLoopAccess {
  static void fire(Timer& timer, double now) { timer.fireNow(now); }
  static void fire(DisplayLink& link, double now) { link.fireNow(now); }
  static bool isActive(const DisplayLink& link) { return link.valid_ && link.added_; }
  static double nextFire(const DisplayLink& link) { return link.nextFire_; }
};

namespace {

// [SECTION] Loop state

// Due times within this much of now count as due: the manual clock has
// microsecond steps, so k/60 s is never reached exactly.
constexpr double kDueTolerance = 1e-6;
// Refresh period of the virtual display.
constexpr double kRefreshPeriod = 1.0 / 60.0;
#ifdef __EMSCRIPTEN__
// The browser's frames come close to the virtual display's refreshes but not
// on its grid: a refresh due within half a period counts as due, so a link
// fires once per browser frame instead of skipping every other one.
constexpr double kLinkLead = kRefreshPeriod / 2;
#else
constexpr double kLinkLead = 0;
#endif
// Longest single sleep, so signals and other pending checks are noticed.
constexpr double kLongestWait = 0.1;
// The platform's answer to a timer interval of zero or less: 0.1 ms.
constexpr double kShortestTimerInterval = 0.0001;
constexpr double kNever = std::numeric_limits<double>::infinity();

// Set during static initialisation, which runs on the process's main thread.
const std::thread::id g_mainThreadId = std::this_thread::get_id();

struct Completion {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

struct QueuedCall {
  std::function<void()> call;
  std::shared_ptr<Completion> completion;  // set when the caller waits
};

struct LoopState {
  // Main thread only.
  std::vector<Ref<Timer>> timers;
  std::vector<Ref<DisplayLink>> links;
  std::deque<View*> layoutQueue;  // weak: a view leaves the queue in its destructor
  std::vector<std::pair<int, detail::PassHook>> hooks;
  int nextHookId = 1;
  int passDepth = 0;

  // Any thread.
  std::atomic<int> runDepth{0};  // run() and runFor() calls in progress
  std::atomic<detail::EventSource*> eventSource{nullptr};
  std::atomic<bool> stopRequested{false};
  std::mutex callsMutex;
  std::condition_variable callsArrived;
  std::deque<QueuedCall> calls;
};

// Never destroyed: timers, links and hooks may still be registered when the
// process exits, and their owners' static destructors must not race this.
LoopState& state() {
  static LoopState* instance = new LoopState();
  return *instance;
}

// [SECTION] Scheduling arithmetic

// The first point of the grid start + k·step (k ≥ 1) that lies after `now`.
// Firings missed while the loop was busy are skipped, never queued.
double nextGridTime(double start, double step, double now) {
  const double elapsed = now + kDueTolerance - start;
  const double k = elapsed < 0 ? 1 : std::floor(elapsed / step) + 1;
  return start + k * step;
}

double nextDueTime() {
  LoopState& s = state();
  double due = kNever;
  for (const Ref<Timer>& timer : s.timers) due = std::min(due, timer->fireDate());
  for (const Ref<DisplayLink>& link : s.links) due = std::min(due, RunLoopAccess::nextFire(*link));
  return due;
}

// [SECTION] Waiting

bool callsPending() {
  LoopState& s = state();
  std::lock_guard lock(s.callsMutex);
  return !s.calls.empty();
}

bool hooksPending() {
  for (const auto& [id, hook] : state().hooks) {
    if (hook.pending && hook.pending()) return true;
  }
  return false;
}

bool workPending() {
  LoopState& s = state();
  return s.stopRequested.load() || callsPending() || !s.layoutQueue.empty() || hooksPending();
}

// Moves an installed manual clock forward to `when`, rounding up to its
// microsecond step so `when` counts as reached.
void advanceManualClockTo(ManualClock& clock, double when) {
  const double delta = when - monotonicSeconds();
  if (delta <= 0) return;
  clock.advance(std::ceil(delta * 1e6 - 1e-3) / 1e6);
}

// Returns when work is pending, when `deadline` (loop time) is reached, or when
// the event source reports an event. A manual clock jumps to the deadline
// instead of sleeping; with nothing scheduled it still waits in real time for
// calls from other threads.
void waitForWork(double deadline) {
  LoopState& s = state();
  while (!workPending()) {
    const double now = monotonicSeconds();
    if (deadline <= now + kDueTolerance) return;
    if (ManualClock* clock = ManualClock::installed(); clock && deadline != kNever) {
      advanceManualClockTo(*clock, deadline);
      return;
    }
    const double wait = ManualClock::installed() ? kLongestWait : std::min(deadline - now, kLongestWait);
    if (detail::EventSource* source = s.eventSource.load()) {
      if (source->waitForEvent(wait)) return;
    } else {
      std::unique_lock lock(s.callsMutex);
      if (s.callsArrived.wait_for(lock, std::chrono::duration<double>(wait), [&s] {
            return !s.calls.empty() || s.stopRequested.load();
          })) {
        return;
      }
    }
  }
}

// [SECTION] One pass

bool runHooks() {
  LoopState& s = state();
  if (s.hooks.empty()) return false;
  auto hooks = s.hooks;  // a hook may add or remove hooks
  bool handled = false;
  for (auto& [id, hook] : hooks) {
    AutoreleasePool pool;
    if (hook.run && hook.run()) handled = true;
  }
  return handled;
}

void finishCall(const std::shared_ptr<Completion>& completion) {
  if (!completion) return;
  std::lock_guard lock(completion->mutex);
  completion->done = true;
  completion->finished.notify_all();
}

// Runs the calls queued before the pass began, one at a time, so a nested
// pass started by one of them can take the rest.
bool runQueuedCalls() {
  LoopState& s = state();
  std::size_t count;
  {
    std::lock_guard lock(s.callsMutex);
    count = s.calls.size();
  }
  bool handled = false;
  for (std::size_t i = 0; i < count; ++i) {
    QueuedCall entry;
    {
      std::lock_guard lock(s.callsMutex);
      if (s.calls.empty()) break;
      entry = std::move(s.calls.front());
      s.calls.pop_front();
    }
    handled = true;
    AutoreleasePool pool;
    // Signals the waiting caller even when the call throws; declared after
    // the pool, so the caller resumes before the pool drains.
    struct Finish {
      std::shared_ptr<Completion> completion;
      ~Finish() { finishCall(completion); }
    } finish{std::move(entry.completion)};
    entry.call();
  }
  return handled;
}

// Lays out the views that asked before this point of the pass; a request made
// during a layout waits for the next pass.
bool runLayouts() {
  LoopState& s = state();
  std::size_t count = s.layoutQueue.size();
  bool handled = false;
  for (std::size_t i = 0; i < count && !s.layoutQueue.empty(); ++i) {
    Ref<View> view = s.layoutQueue.front();
    AutoreleasePool pool;
    view->layoutIfNeeded();  // takes it off the queue
    handled = true;
  }
  return handled;
}

bool fireTimers() {
  LoopState& s = state();
  const double now = monotonicSeconds();
  std::vector<Ref<Timer>> due;
  for (const Ref<Timer>& timer : s.timers) {
    if (timer->isValid() && timer->fireDate() <= now + kDueTolerance) due.push_back(timer);
  }
  std::stable_sort(due.begin(), due.end(),
                   [](const Ref<Timer>& a, const Ref<Timer>& b) { return a->fireDate() < b->fireDate(); });
  for (const Ref<Timer>& timer : due) {
    if (!timer->isValid()) continue;  // invalidated by an earlier callback
    RunLoopAccess::fire(*timer, now);
  }
  return !due.empty();
}

bool fireLinks() {
  LoopState& s = state();
  const double now = monotonicSeconds();
  std::vector<Ref<DisplayLink>> due;
  for (const Ref<DisplayLink>& link : s.links) {
    if (RunLoopAccess::isActive(*link) && RunLoopAccess::nextFire(*link) <= now + kDueTolerance + kLinkLead) {
      due.push_back(link);
    }
  }
  for (const Ref<DisplayLink>& link : due) {
    if (!RunLoopAccess::isActive(*link)) continue;
    RunLoopAccess::fire(*link, kLinkLead > 0 ? std::max(now, RunLoopAccess::nextFire(*link)) : now);
  }
  return !due.empty();
}

bool runPass() {
  LoopState& s = state();
  ++s.passDepth;
  struct Leave {
    ~Leave() { --state().passDepth; }
  } leave;
  bool handled = runHooks();
  handled |= runQueuedCalls();
  if (detail::EventSource* source = s.eventSource.load()) handled |= source->dispatchPendingEvents();
  handled |= runLayouts();
  handled |= fireTimers();
  handled |= fireLinks();
  return handled;
}

}  // namespace

// [SECTION] RunLoop

RunLoop& RunLoop::main() {
  static RunLoop loop;
  return loop;
}

#ifdef __EMSCRIPTEN__
namespace {

std::function<void()>& loopEndedCall() {
  static auto* call = new std::function<void()>();
  return *call;
}

// One browser frame: the passes of one display refresh. On a manual clock
// (TESSERA_FAKE_CLOCK) the frame moves the clock on by one refresh, from due
// time to due time, so frame n always shows loop time n/60 s.
void runBrowserFrame() {
  LoopState& s = state();
  if (!s.stopRequested.load()) {
    if (ManualClock::installed()) {
      const double end = monotonicSeconds() + kRefreshPeriod;
      while (!s.stopRequested.load()) {
        runPass();
        if (monotonicSeconds() + kDueTolerance >= end) break;
        waitForWork(std::min(nextDueTime(), end));
      }
    } else {
      runPass();
    }
  }
  if (!s.stopRequested.load()) return;
  s.stopRequested = false;
  --s.runDepth;
  emscripten_cancel_main_loop();
  if (auto ended = std::exchange(loopEndedCall(), nullptr)) ended();
}

}  // namespace

// The browser owns the event loop: run() hands the passes to its animation
// frames and never returns to the caller (emscripten unwinds the stack but
// keeps it allocated, so the caller's locals stay alive). What the caller
// would do after run() goes to setWebLoopEndedCall().
void RunLoop::run() {
  LoopState& s = state();
  ++s.runDepth;
  emscripten_set_main_loop(runBrowserFrame, 0, 1);
}

void setWebLoopEndedCall(std::function<void()> call) { loopEndedCall() = std::move(call); }
#else
void RunLoop::run() {
  LoopState& s = state();
  ++s.runDepth;
  while (!s.stopRequested.load()) runOnce(true);
  s.stopRequested = false;
  --s.runDepth;
}
#endif

void RunLoop::stop() {
  LoopState& s = state();
  if (s.runDepth.load() == 0) return;  // nothing to end
  {
    std::lock_guard lock(s.callsMutex);
    s.stopRequested = true;
  }
  s.callsArrived.notify_all();
  if (detail::EventSource* source = s.eventSource.load()) source->wake();
}

bool RunLoop::runOnce(bool wait) {
  CCAssert(isMainThread(), "RunLoop: runOnce() expects the main thread");
  if (wait) waitForWork(nextDueTime());
  return runPass();
}

void RunLoop::runFor(double seconds) {
  CCAssert(isMainThread(), "RunLoop: runFor() expects the main thread");
  LoopState& s = state();
  const double end = now() + std::max(seconds, 0.0);
  ++s.runDepth;
  while (true) {
    runPass();
    if (s.stopRequested.load()) {
      s.stopRequested = false;
      break;
    }
    if (now() + kDueTolerance >= end) break;
    waitForWork(std::min(nextDueTime(), end));
  }
  --s.runDepth;
}

double RunLoop::now() const { return monotonicSeconds(); }

bool RunLoop::isRunningPass() const { return state().passDepth > 0; }

// [SECTION] Calls on the main thread

bool isMainThread() { return std::this_thread::get_id() == g_mainThreadId; }

void performOnMainThread(std::function<void()> call, bool waitUntilDone) {
  if (!call) return;
  if (waitUntilDone && isMainThread()) {
    call();
    return;
  }
  LoopState& s = state();
  auto completion = waitUntilDone ? std::make_shared<Completion>() : nullptr;
  {
    std::lock_guard lock(s.callsMutex);
    s.calls.push_back(QueuedCall{std::move(call), completion});
  }
  s.callsArrived.notify_all();
  if (detail::EventSource* source = s.eventSource.load()) source->wake();
  if (completion) {
    std::unique_lock lock(completion->mutex);
    completion->finished.wait(lock, [&] { return completion->done; });
  }
}

namespace detail {

void setEventSource(EventSource* source) { state().eventSource = source; }

int addPassHook(PassHook hook) {
  LoopState& s = state();
  const int id = s.nextHookId++;
  s.hooks.emplace_back(id, std::move(hook));
  return id;
}

void removePassHook(int id) {
  auto& hooks = state().hooks;
  std::erase_if(hooks, [id](const auto& entry) { return entry.first == id; });
}

void requestLayout(View* view) { state().layoutQueue.push_back(view); }

void cancelLayout(View* view) {
  auto& queue = state().layoutQueue;
  queue.erase(std::remove(queue.begin(), queue.end(), view), queue.end());
}

}  // namespace detail

// [SECTION] Timer

Timer* Timer::scheduledTimer(double interval, bool repeats, std::function<void(Timer*)> fire) {
  CCAssert(isMainThread(), "Timer: expects the main thread");
  auto* timer = new Timer();
  timer->interval_ = interval > 0 ? interval : kShortestTimerInterval;
  timer->repeats_ = repeats;
  timer->fire_ = std::move(fire);
  timer->valid_ = true;
  timer->start_ = monotonicSeconds();
  timer->nextFire_ = timer->start_ + timer->interval_;
  state().timers.emplace_back(timer);
  timer->autorelease();
  return timer;
}

void Timer::fireNow(double now) {
  Ref<Timer> keep(this);  // the callback may invalidate the timer
  if (repeats_) {
    nextFire_ = nextGridTime(start_, interval_, now);
  } else {
    invalidate();
  }
  AutoreleasePool pool;
  if (fire_) fire_(this);
}

void Timer::invalidate() {
  if (!valid_) return;
  valid_ = false;
  Ref<Timer> keep(this);  // the loop's reference may be the last one
  // The callback stays: it may be the one running now.
  std::erase_if(state().timers, [this](const Ref<Timer>& timer) { return timer.get() == this; });
}

bool Timer::isValid() const { return valid_; }

double Timer::interval() const { return interval_; }

// [SECTION] DisplayLink

namespace {
// The display-refresh class is looked up under the handheld platform's name.
[[maybe_unused]] const bool g_displayLinkAliasRegistered =
    (ClassInfo::registerAlias("CADisplayLink", DisplayLink::classInfo_), true);
}  // namespace

DisplayLink* DisplayLink::displayLinkWithTarget(Object* target, const Selector& selector) {
  auto* link = new DisplayLink();
  link->target_ = target;
  link->selector_ = selector;
  link->autorelease();
  return link;
}

void DisplayLink::setFrameInterval(int interval) {
  frameInterval_ = std::max(interval, 1);
  if (added_ && valid_) {
    start_ = timestamp_ > 0 ? timestamp_ : start_;
    nextFire_ = start_ + frameInterval_ * kRefreshPeriod;
  }
}

int DisplayLink::frameInterval() const { return frameInterval_; }

void DisplayLink::addToRunLoop(RunLoop&) {
  CCAssert(isMainThread(), "DisplayLink: expects the main thread");
  if (added_ || !valid_) return;
  added_ = true;
  start_ = monotonicSeconds();
  nextFire_ = start_ + frameInterval_ * kRefreshPeriod;
  state().links.emplace_back(this);
}

void DisplayLink::fireNow(double now) {
  Ref<DisplayLink> keep(this);
  Ref<Object> target = target_;  // invalidate() inside the callback drops target_
  timestamp_ = nextFire_;
  nextFire_ = nextGridTime(start_, frameInterval_ * kRefreshPeriod, now);
  AutoreleasePool pool;
  if (target && selector_.hasMethod()) selector_(target.get(), this);
}

void DisplayLink::invalidate() {
  if (!valid_) return;
  valid_ = false;
  Ref<DisplayLink> keep(this);
  // The target may be the object whose method called invalidate(): hand its
  // release to the enclosing pool instead of dropping it here.
  if (Object* target = target_.detach()) {
    if (AutoreleasePool::depth() > 0) {
      target->autorelease();
    } else {
      target->release();
    }
  }
  std::erase_if(state().links, [this](const Ref<DisplayLink>& link) { return link.get() == this; });
}

double DisplayLink::timestamp() const { return timestamp_; }

}  // namespace platform
