#include "tessera/CCSpawn.h"

#include "platform/Assert.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCSequence.h"

#include <cmath>

CCSpawn* CCSpawn::actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
  return platform::createAutoreleased<CCSpawn>([&](CCSpawn& spawn) { return spawn.initOne(one, two); });
}

CCFiniteTimeAction* CCSpawn::actions(std::initializer_list<CCFiniteTimeAction*> list) {
  CCFiniteTimeAction* group = nullptr;
  for (CCFiniteTimeAction* action : list) {
    if (!action) break;  // the list ends at the first nullptr
    group = group ? actionOne(group, action) : action;
  }
  return group;
}

bool CCSpawn::initOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
  CCAssert(one != nullptr, "Spawn: argument one must be non-nil");
  CCAssert(two != nullptr, "Spawn: argument two must be non-nil");
  if (!one || !two) return false;

  const float d1 = one->duration();
  const float d2 = two->duration();
  if (!CCActionInterval::initWithDuration(std::fmax(d1, d2))) return false;

  one_ = one;
  two_ = two;
  if (d1 > d2) {
    two_ = CCSequence::actionOne(two, CCDelayTime::actionWithDuration(d1 - d2));
  } else if (d1 < d2) {
    one_ = CCSequence::actionOne(one, CCDelayTime::actionWithDuration(d2 - d1));
  }
  return true;
}

CCSpawn* CCSpawn::copy() const {
  CCSpawn* copy = newInstanceOfSameClass<CCSpawn>();
  if (!copy) return nullptr;
  auto one = platform::Ref<CCFiniteTimeAction>::adopt(one_ ? one_->copy() : nullptr);
  auto two = platform::Ref<CCFiniteTimeAction>::adopt(two_ ? two_->copy() : nullptr);
  if (!copy->initOne(one.get(), two.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCSpawn* CCSpawn::reverse() const {
  CCFiniteTimeAction* one = one_ ? one_->reverse() : nullptr;
  CCFiniteTimeAction* two = two_ ? two_->reverse() : nullptr;
  CCSpawn* reversed = newInstanceOfSameClass<CCSpawn>();
  if (!reversed) return nullptr;
  if (!reversed->initOne(one, two)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCSpawn::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  if (one_) one_->startWithTarget(target);
  if (two_) two_->startWithTarget(target);
}

void CCSpawn::stop() {
  if (one_) one_->stop();
  if (two_) two_->stop();
  CCActionInterval::stop();
}

void CCSpawn::update(float t) {
  if (one_) one_->update(t);
  if (two_) two_->update(t);
}
