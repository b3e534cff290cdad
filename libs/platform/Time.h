#pragma once
// Clocks and sleeping, injectable so that seconds of frames take no real time
// in tests.

#include <cstdint>
#include <functional>

namespace platform {

/// A wall-clock reading as gettimeofday gives it.
struct TimeValue {
  std::int64_t seconds = 0;
  std::int64_t microseconds = 0;
};

/// The wall clock (gettimeofday, or the installed source).
TimeValue wallClock();
/// Seconds on a monotonic clock (or the installed source), for run-loop timers.
double monotonicSeconds();
/// Sleeps (or advances the installed clock instead).
void sleepFor(double seconds);

/// A clock that moves only when told to. Installing it replaces the wall
/// clock, the monotonic clock and sleeping until it is destroyed. The
/// monotonic reading starts equal to the wall reading; advance() moves both,
/// set() moves only the wall clock (as a clock change does).
class ManualClock {
 public:
  explicit ManualClock(TimeValue start = {1000000, 0});
  ~ManualClock();
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  /// Moves time forward (or back, for a negative value).
  void advance(double seconds);
  /// Sets the wall-clock reading directly (a clock that jumps or steps back).
  /// The monotonic clock does not move.
  void set(TimeValue now);
  TimeValue now() const { return now_; }
  /// The monotonic reading in microseconds.
  std::int64_t monotonicMicroseconds() const { return monotonic_; }

  /// The clock installed now, or nullptr when the real clocks are in use. The
  /// run loop uses it to jump from due time to due time instead of sleeping.
  static ManualClock* installed();

 private:
  TimeValue now_;
  std::int64_t monotonic_ = 0;
};

}  // namespace platform
