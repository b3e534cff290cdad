#include "tessera/CCCallBlockN.h"

#include "platform/Ref.h"
#include "tessera/CCNode.h"

#include <utility>

CCCallBlockN* CCCallBlockN::actionWithBlock(Block block) {
  return platform::createAutoreleased<CCCallBlockN>(
      [&](CCCallBlockN& action) { return action.initWithBlock(std::move(block)); });
}

bool CCCallBlockN::initWithBlock(Block block) {
  if (!CCActionInstant::init()) return false;
  block_ = std::move(block);
  return true;
}

CCCallBlockN* CCCallBlockN::copy() const {
  CCCallBlockN* copy = newInstanceOfSameClass<CCCallBlockN>();
  if (!copy) return nullptr;
  if (!copy->initWithBlock(block_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCCallBlockN::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  platform::Ref<CCCallBlockN> keepAlive(this);  // the block may drop the last other reference
  execute();
}

void CCCallBlockN::execute() {
  if (block_) block_(dynamic_cast<CCNode*>(target_));
}
