#pragma once
// Touches, touch sets and touch events: what the window hands to its views
// and what the engine's touch dispatcher passes on to its delegates.
//
// A Touch is one finger's gesture. The platform keeps the same Touch object
// from the moment the finger goes down until it lifts or the gesture is
// cancelled and only updates its phase, location and timestamp, so code may
// use the pointer as the gesture's identity (the touch dispatcher keeps sets of
// claimed touches that way).
//
// Implemented: the touch record and its setters for the event code, ordered
// touch sets, opaque events, locations converted into any view of the window.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace platform {

class View;

/// Where a touch is in its gesture.
enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

/// One finger's gesture; the same object through all its phases.
class Touch : public Object {
  PLATFORM_CLASS(Touch, Object)

 public:
  /// A new touch (autoreleased): phase Began, tap count 0, timestamp 0, no
  /// view, location (0, 0).
  static Touch* touch();

  TouchPhase phase() const { return phase_; }
  /// Number of quick taps at about the same place this gesture belongs to
  /// (1 for a single tap). Default 0.
  uint32_t tapCount() const { return tapCount_; }
  /// Seconds on the platform's event clock of the latest change. Default 0.
  double timestamp() const { return timestamp_; }
  /// The view the touch began in. Not retained: the window keeps its views
  /// alive for as long as it delivers their touches. Default nullptr.
  View* view() const { return view_; }

  /// The current location in points in `view`'s coordinates, origin at its top
  /// left, y down. The location is stored in the touch's own view; another view
  /// of the same window gets it converted.
  CGPoint locationInView(const View* view) const;
  /// The location before the latest setLocation(), in the same space as
  /// locationInView(). Equal to the current location until the touch moves.
  CGPoint previousLocationInView(const View* view) const;

  // Setters for the platform's event code.
  void setPhase(TouchPhase phase) { phase_ = phase; }
  /// Moves the current location to the previous one and stores `location`.
  /// The first call sets both, so a touch that has not moved reports the same
  /// point for both.
  void setLocation(CGPoint location);
  void setTapCount(uint32_t tapCount) { tapCount_ = tapCount; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  void setView(View* view) { view_ = view; }

 private:
  TouchPhase phase_ = TouchPhase::Began;
  uint32_t tapCount_ = 0;
  double timestamp_ = 0.0;
  View* view_ = nullptr;  // weak
  CGPoint location_{0.0f, 0.0f};
  CGPoint previousLocation_{0.0f, 0.0f};
  bool hasLocation_ = false;
};

/// A set of touches without duplicates (compared by identity), kept in the
/// order they were added, which is the platform's delivery order. Holds one
/// reference to each touch; a copy retains every touch again.
///
/// Cost: a small vector; add, remove and contains are linear, which is the
/// right trade for the handful of fingers a screen reports.
class TouchSet {
 public:
  using const_iterator = std::vector<Ref<Touch>>::const_iterator;

  TouchSet() = default;
  /// The touches in order; null pointers and repeats are skipped.
  TouchSet(std::initializer_list<Touch*> touches);

  /// Adds `touch` at the end unless it is null or already in the set. Returns
  /// whether it was added.
  bool add(Touch* touch);
  /// Removes `touch` and keeps the order of the others. Returns whether it was
  /// in the set.
  bool remove(Touch* touch);
  bool contains(const Touch* touch) const;
  /// Releases every touch.
  void clear() { touches_.clear(); }
  /// Makes room for `capacity` touches without reallocating.
  void reserve(std::size_t capacity) { touches_.reserve(capacity); }

  std::size_t count() const { return touches_.size(); }
  bool empty() const { return touches_.empty(); }
  /// The touch at `index` in delivery order. Expects index < count().
  Touch* at(std::size_t index) const { return touches_[index].get(); }
  /// Some touch of the set (the first), or nullptr when empty.
  Touch* anyObject() const { return touches_.empty() ? nullptr : touches_.front().get(); }

  /// Iteration in order; each element converts to Touch*.
  const_iterator begin() const { return touches_.begin(); }
  const_iterator end() const { return touches_.end(); }

 private:
  std::vector<Ref<Touch>> touches_;
};

/// One touch event: the timestamp and every touch active at that moment.
/// Opaque to the engine, which only passes it on to touch delegates.
class Event : public Object {
  PLATFORM_CLASS(Event, Object)

 public:
  /// A new event (autoreleased) with timestamp 0 and no touches.
  static Event* event();

  double timestamp() const { return timestamp_; }
  /// Every touch in progress, not only the ones that changed in this event.
  const TouchSet& allTouches() const { return allTouches_; }

  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  void setAllTouches(TouchSet touches) { allTouches_ = std::move(touches); }

 private:
  double timestamp_ = 0.0;
  TouchSet allTouches_;
};

}  // namespace platform
