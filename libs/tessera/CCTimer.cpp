#include "tessera/CCTimer.h"

#include "platform/Assert.h"

CCTimer* CCTimer::timerWithTarget(platform::Object* target, const platform::Selector& selector) {
  return timerWithTarget(target, selector, 0.0f);
}

CCTimer* CCTimer::timerWithTarget(platform::Object* target, const platform::Selector& selector,
                                  float interval) {
  return platform::createAutoreleased<CCTimer>(
      [&](CCTimer& timer) { return timer.initWithTarget(target, selector, interval); });
}

bool CCTimer::initWithTarget(platform::Object* target, const platform::Selector& selector) {
  return initWithTarget(target, selector, 0.0f);
}

bool CCTimer::initWithTarget(platform::Object* target, const platform::Selector& selector,
                             float interval) {
  target_ = target;
  selector_ = selector;
  elapsed_ = kNeverStepped;
  interval_ = interval;
  return true;
}

bool CCTimer::init() {
  CCAssert(false, "CCTimer: Init not supported.");
  return false;
}

void CCTimer::update(float dt) {
  if (elapsed_ == kNeverStepped) {
    elapsed_ = 0.0f;
  } else {
    elapsed_ += dt;
  }
  if (elapsed_ >= interval_) {
    // The call may unschedule this timer; the scheduler keeps it alive until
    // the call returns, so writing elapsed_ afterwards is safe.
    selector_(target_, elapsed_);
    elapsed_ = 0.0f;
  }
}

std::string CCTimer::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) +
         " | target:" + (target_ ? target_->className() : "(null)") + " selector:(" +
         selector_.name() + ")>";
}
