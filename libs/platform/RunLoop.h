#pragma once
// The main run loop: repeating timers, a 60 Hz display-refresh callback, calls
// performed on the main thread, window events, and deferred view layout.
// Every callback runs inside its own autorelease pool.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Selector.h"

#include <cstdint>
#include <functional>

namespace platform {

/// The main run loop: repeating timers, a 60 Hz display-refresh callback, calls
/// performed on the main thread, window events, and deferred view layout. Every
/// callback runs inside its own autorelease pool.
///
/// Time comes from platform::monotonicSeconds() (Time.h): with a ManualClock or
/// TESSERA_FAKE_CLOCK, runFor() advances the clock itself, so seconds of frames
/// take no real time.
///
/// A pass handles, in order: start-of-pass checks (signals, clock changes,
/// window upkeep), calls queued by performOnMainThread() before the pass
/// began, window events, deferred view layout, due timers, due display
/// refreshes. Each timer and link fires at most once per pass.
///
/// Threads: everything here is for the main thread, except
/// performOnMainThread(), isMainThread() and RunLoop::stop(), which any thread
/// may call.
class RunLoop {
 public:
  /// The main thread's loop.
  static RunLoop& main();

  /// Runs until stop() (or the application terminates).
  void run();
  /// Ends the innermost run() or runFor() after the current pass. Does
  /// nothing while neither is running. Any thread.
  void stop();
  /// Handles every source that is due now, one pass: performed calls, window
  /// events, deferred layout, due timers and display refreshes. With `wait`,
  /// first sleeps until the next source is due. Returns whether anything ran.
  /// Safe to call from inside a callback (nested pumping).
  bool runOnce(bool wait);
  /// Runs passes until `seconds` of loop time have passed. On a manual or fake
  /// clock, advances the clock from due time to due time without sleeping.
  void runFor(double seconds);
  /// Loop time in seconds (the monotonic clock).
  double now() const;
  /// Whether a pass is running now (possibly nested). Default false.
  bool isRunningPass() const;
};

/// Runs `call` on the main thread. From the main thread with `waitUntilDone`
/// it runs at once; otherwise it is queued for the next pass, and with
/// `waitUntilDone` the caller blocks until it has run.
void performOnMainThread(std::function<void()> call, bool waitUntilDone);
/// True on the thread that first used the platform (the main thread).
bool isMainThread();

#ifdef __EMSCRIPTEN__
/// Web: run() never returns (the browser calls the loop at each animation
/// frame); `call` runs once the loop has stopped, in its place.
void setWebLoopEndedCall(std::function<void()> call);
#endif

/// A repeating (or one-shot) run-loop timer. Firing follows a fixed schedule
/// from the time it was scheduled; missed firings are skipped, not queued.
class Timer : public Object {
  PLATFORM_CLASS(Timer, Object)
 public:
  /// A timer already added to the main loop, autoreleased; the loop retains it
  /// until it is invalidated (or fires once, when not repeating).
  static Timer* scheduledTimer(double interval, bool repeats, std::function<void(Timer*)> fire);
  /// Stops it for good and lets the loop release it.
  void invalidate();
  bool isValid() const;
  double interval() const;
  /// Loop time of the next firing.
  double fireDate() const { return nextFire_; }

 private:
  friend struct RunLoopAccess;
  void fireNow(double now);

  std::function<void(Timer*)> fire_;
  double interval_ = 0;
  double start_ = 0;
  double nextFire_ = 0;
  bool repeats_ = false;
  bool valid_ = false;
};

/// The display-refresh callback of a 60 Hz virtual display. Registered under
/// the name "CADisplayLink". The callback fires every `frameInterval`
/// refreshes, counted from addToRunLoop().
class DisplayLink : public Object {
  PLATFORM_CLASS(DisplayLink, Object)
 public:
  /// Calls `selector` (a method taking the link as its object argument, or
  /// none) on `target`. The loop retains the link while it is added; the link
  /// retains the target until it is invalidated. Autoreleased.
  static DisplayLink* displayLinkWithTarget(Object* target, const Selector& selector);
  /// Refreshes per callback; values below 1 are taken as 1. Default 1.
  /// Changing it on an added link counts the new interval from the latest
  /// callback (or from addToRunLoop when none has run yet).
  void setFrameInterval(int interval);
  int frameInterval() const;
  /// Starts delivering on the main loop (retained by the loop). The first
  /// callback comes frameInterval refreshes later. Adding twice does nothing.
  void addToRunLoop(RunLoop& loop);
  /// Stops for good and lets the loop release the link.
  void invalidate();
  /// Loop time of the refresh being delivered.
  double timestamp() const;
  /// The link's target and selector.
  Object* target() const { return target_.get(); }
  const Selector& selector() const { return selector_; }

 private:
  friend struct RunLoopAccess;
  void fireNow(double now);

  Ref<Object> target_;
  Selector selector_;
  int frameInterval_ = 1;
  double start_ = 0;
  double nextFire_ = 0;
  double timestamp_ = 0;
  bool added_ = false;
  bool valid_ = true;
};

}  // namespace platform
