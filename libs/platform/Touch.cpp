#include "platform/Touch.h"

#include "platform/View.h"

#include <algorithm>

namespace platform {

// [SECTION] Touch

Touch* Touch::touch() {
  return createAutoreleased<Touch>([](Touch&) { return true; });
}

// Locations are stored in the coordinates of the touch's own view; asking for
// another view converts through the window.
CGPoint Touch::locationInView(const View* view) const {
  return view_ && view != view_ ? view_->convertPointToView(location_, view) : location_;
}

CGPoint Touch::previousLocationInView(const View* view) const {
  return view_ && view != view_ ? view_->convertPointToView(previousLocation_, view) : previousLocation_;
}

void Touch::setLocation(CGPoint location) {
  previousLocation_ = hasLocation_ ? location_ : location;
  location_ = location;
  hasLocation_ = true;
}

// [SECTION] TouchSet

TouchSet::TouchSet(std::initializer_list<Touch*> touches) {
  touches_.reserve(touches.size());
  for (Touch* touch : touches) add(touch);
}

bool TouchSet::add(Touch* touch) {
  if (touch == nullptr || contains(touch)) return false;
  touches_.emplace_back(touch);
  return true;
}

bool TouchSet::remove(Touch* touch) {
  auto found = std::find_if(touches_.begin(), touches_.end(),
                            [touch](const Ref<Touch>& held) { return held.get() == touch; });
  if (found == touches_.end()) return false;
  // Take the reference out before erasing, so the touch is released only once
  // the vector is consistent again.
  Ref<Touch> removed = std::move(*found);
  touches_.erase(found);
  return true;
}

bool TouchSet::contains(const Touch* touch) const {
  return std::any_of(touches_.begin(), touches_.end(),
                     [touch](const Ref<Touch>& held) { return held.get() == touch; });
}

// [SECTION] Event

Event* Event::event() {
  return createAutoreleased<Event>([](Event&) { return true; });
}

}  // namespace platform
