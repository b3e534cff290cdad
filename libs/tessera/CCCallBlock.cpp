#include "tessera/CCCallBlock.h"

#include "platform/Ref.h"

#include <utility>

CCCallBlock* CCCallBlock::actionWithBlock(Block block) {
  return platform::createAutoreleased<CCCallBlock>(
      [&](CCCallBlock& action) { return action.initWithBlock(std::move(block)); });
}

bool CCCallBlock::initWithBlock(Block block) {
  if (!CCActionInstant::init()) return false;
  block_ = std::move(block);
  return true;
}

CCCallBlock* CCCallBlock::copy() const {
  CCCallBlock* copy = newInstanceOfSameClass<CCCallBlock>();
  if (!copy) return nullptr;
  if (!copy->initWithBlock(block_)) {
    copy->release();
    return nullptr;
  }
  return copy;
}

void CCCallBlock::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  platform::Ref<CCCallBlock> keepAlive(this);  // the block may drop the last other reference
  execute();
}

void CCCallBlock::execute() {
  if (block_) block_();
}
