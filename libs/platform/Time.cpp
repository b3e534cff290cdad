#include "platform/Time.h"

#include <chrono>
#include <cmath>
#include <sys/time.h>
#include <thread>

namespace platform {

namespace {
ManualClock* g_manual = nullptr;  // main thread only

std::int64_t toMicros(TimeValue t) { return t.seconds * 1000000 + t.microseconds; }
TimeValue fromMicros(std::int64_t us) {
  std::int64_t s = us / 1000000;
  std::int64_t r = us % 1000000;
  if (r < 0) {
    r += 1000000;
    --s;
  }
  return {s, r};
}
}  // namespace

TimeValue wallClock() {
  if (g_manual) return g_manual->now();
  timeval now{};
  gettimeofday(&now, nullptr);
  return {static_cast<std::int64_t>(now.tv_sec), static_cast<std::int64_t>(now.tv_usec)};
}

double monotonicSeconds() {
  if (g_manual) return static_cast<double>(g_manual->monotonicMicroseconds()) / 1e6;
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void sleepFor(double seconds) {
  if (g_manual) {
    g_manual->advance(seconds);
    return;
  }
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

ManualClock::ManualClock(TimeValue start) : now_(start), monotonic_(toMicros(start)) { g_manual = this; }

ManualClock* ManualClock::installed() { return g_manual; }

ManualClock::~ManualClock() {
  if (g_manual == this) g_manual = nullptr;
}

void ManualClock::advance(double seconds) {
  const auto micros = static_cast<std::int64_t>(std::llround(seconds * 1e6));
  now_ = fromMicros(toMicros(now_) + micros);
  monotonic_ += micros;
}

void ManualClock::set(TimeValue now) { now_ = now; }

}  // namespace platform
