#include "tessera/CCCallFunc.h"

CCCallFunc* CCCallFunc::actionWithTarget(platform::Object* target, const platform::Selector& selector) {
  return platform::createAutoreleased<CCCallFunc>(
      [&](CCCallFunc& action) { return action.initWithTarget(target, selector); });
}

bool CCCallFunc::initWithTarget(platform::Object* target, const platform::Selector& selector) {
  if (!CCActionInstant::init()) return false;
  targetCallback_ = target;
  selector_ = selector;
  return true;
}

CCCallFunc* CCCallFunc::copy() const {
  CCCallFunc* copy = newInstanceOfSameClass<CCCallFunc>();
  if (!copy) return nullptr;
  if (!copy->initWithTarget(targetCallback_.get(), selector_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

std::string CCCallFunc::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) + " | Tag = " +
         std::to_string(tag_) + " | target = " + (targetCallback_ ? targetCallback_->className() : "(null)") +
         " | selector = " + selector_.name() + ">";
}

void CCCallFunc::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  // The call may remove this action from its node or its container; keep it
  // (and, through it, the callback target) alive until the call returns.
  platform::Ref<CCCallFunc> keepAlive(this);
  execute();
}

void CCCallFunc::execute() {
  if (targetCallback_ && selector_) selector_(targetCallback_.get());
}
