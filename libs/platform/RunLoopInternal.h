#pragma once
// Hooks between the run loop and the rest of the platform layer (windows,
// views, the application). Not for the engine.

#include <functional>

namespace platform {
class View;
}

namespace platform::detail {

/// The window system's event queue, pumped by the main loop once it is set.
class EventSource {
 public:
  virtual ~EventSource() = default;
  /// Handles every pending event, each inside its own autorelease pool.
  /// Returns whether any was handled.
  virtual bool dispatchPendingEvents() = 0;
  /// Blocks for at most `seconds` until an event is pending (without taking
  /// it). Returns whether one is.
  virtual bool waitForEvent(double seconds) = 0;
  /// Ends a waitForEvent() early. Any thread.
  virtual void wake() = 0;
};

/// Installs the event source (nullptr removes it).
void setEventSource(EventSource* source);

/// A check that runs at the start of every pass, inside an autorelease pool.
/// `run` returns whether it did something; `pending` (optional, any thread)
/// tells a waiting loop that `run` has work, so the wait ends early.
struct PassHook {
  std::function<bool()> run;
  std::function<bool()> pending;
};
/// Adds a hook; returns its id for removePassHook().
int addPassHook(PassHook hook);
void removePassHook(int id);

/// Queues `view` for layout at the next pass (View::setNeedsLayout).
void requestLayout(View* view);
/// Forgets a queued layout (the view was laid out or is going away).
void cancelLayout(View* view);

}  // namespace platform::detail
