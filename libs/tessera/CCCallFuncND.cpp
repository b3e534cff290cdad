#include "tessera/CCCallFuncND.h"

#include "tessera/CCNode.h"

namespace {

// The default callback method: the selector's bound member function.
void callSelector(platform::Object* target, const platform::Selector& selector, CCNode* node, void* data) {
  selector(target, node, data);
}

}  // namespace

CCCallFuncND* CCCallFuncND::actionWithTarget(platform::Object* target, const platform::Selector& selector,
                                             void* data) {
  return platform::createAutoreleased<CCCallFuncND>(
      [&](CCCallFuncND& action) { return action.initWithTarget(target, selector, data); });
}

bool CCCallFuncND::initWithTarget(platform::Object* target, const platform::Selector& selector, void* data) {
  if (!CCCallFunc::initWithTarget(target, selector)) return false;
  data_ = data;
  callbackMethod_ = &callSelector;
  return true;
}

CCCallFuncND* CCCallFuncND::copy() const {
  CCCallFuncND* copy = newInstanceOfSameClass<CCCallFuncND>();
  if (!copy) return nullptr;
  if (!copy->initWithTarget(targetCallback_.get(), selector_, data_)) {
    copy->release();
    return nullptr;
  }
  copy->callbackMethod_ = callbackMethod_;
  return copy;
}

void CCCallFuncND::execute() {
  if (targetCallback_ && selector_ && callbackMethod_) {
    callbackMethod_(targetCallback_.get(), selector_, dynamic_cast<CCNode*>(target_), data_);
  }
}
