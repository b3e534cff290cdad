#include "tessera/CCCallFuncO.h"

CCCallFuncO* CCCallFuncO::actionWithTarget(platform::Object* target, const platform::Selector& selector,
                                           platform::Object* object) {
  return platform::createAutoreleased<CCCallFuncO>(
      [&](CCCallFuncO& action) { return action.initWithTarget(target, selector, object); });
}

bool CCCallFuncO::initWithTarget(platform::Object* target, const platform::Selector& selector,
                                 platform::Object* object) {
  if (!CCCallFunc::initWithTarget(target, selector)) return false;
  object_ = object;
  return true;
}

CCCallFuncO* CCCallFuncO::copy() const {
  CCCallFuncO* copy = newInstanceOfSameClass<CCCallFuncO>();
  if (!copy) return nullptr;
  if (!copy->initWithTarget(targetCallback_.get(), selector_, object_.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCCallFuncO::execute() {
  if (targetCallback_ && selector_) selector_(targetCallback_.get(), object_.get());
}
