#include "tessera/CCCallFuncN.h"

#include "tessera/CCNode.h"

CCCallFuncN* CCCallFuncN::actionWithTarget(platform::Object* target, const platform::Selector& selector) {
  return platform::createAutoreleased<CCCallFuncN>(
      [&](CCCallFuncN& action) { return action.initWithTarget(target, selector); });
}

void CCCallFuncN::execute() {
  if (targetCallback_ && selector_) selector_(targetCallback_.get(), dynamic_cast<CCNode*>(target_));
}
