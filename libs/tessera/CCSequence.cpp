#include "tessera/CCSequence.h"

#include "platform/Assert.h"

CCSequence* CCSequence::actionOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
  return platform::createAutoreleased<CCSequence>(
      [&](CCSequence& sequence) { return sequence.initOne(one, two); });
}

CCFiniteTimeAction* CCSequence::actions(std::initializer_list<CCFiniteTimeAction*> list) {
  CCFiniteTimeAction* chain = nullptr;
  for (CCFiniteTimeAction* action : list) {
    if (!action) break;  // the list ends at the first nullptr
    chain = chain ? actionOne(chain, action) : action;
  }
  return chain;
}

bool CCSequence::initOne(CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
  CCAssert(one != nullptr, "Sequence: argument one must be non-nil");
  CCAssert(two != nullptr, "Sequence: argument two must be non-nil");
  if (!one || !two) return false;
  if (!CCActionInterval::initWithDuration(one->duration() + two->duration())) return false;
  actions_[0] = one;
  actions_[1] = two;
  return true;
}

CCSequence* CCSequence::copy() const {
  CCSequence* copy = newInstanceOfSameClass<CCSequence>();
  if (!copy) return nullptr;
  auto one = platform::Ref<CCFiniteTimeAction>::adopt(actions_[0] ? actions_[0]->copy() : nullptr);
  auto two = platform::Ref<CCFiniteTimeAction>::adopt(actions_[1] ? actions_[1]->copy() : nullptr);
  if (!copy->initOne(one.get(), two.get())) {
    copy->release();
    return nullptr;
  }
  return copy;
}

CCSequence* CCSequence::reverse() const {
  CCFiniteTimeAction* second = actions_[1] ? actions_[1]->reverse() : nullptr;
  CCFiniteTimeAction* first = actions_[0] ? actions_[0]->reverse() : nullptr;
  CCSequence* reversed = newInstanceOfSameClass<CCSequence>();
  if (!reversed) return nullptr;
  if (!reversed->initOne(second, first)) {
    reversed->release();
    return nullptr;
  }
  return platform::autoreleased(reversed);
}

void CCSequence::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  split_ = actions_[0] ? actions_[0]->duration() / duration_ : 0.0f;
  last_ = -1;
}

void CCSequence::stop() {
  if (actions_[0]) actions_[0]->stop();
  if (actions_[1]) actions_[1]->stop();
  CCActionInterval::stop();
}

void CCSequence::update(float t) {
  if (!actions_[0] || !actions_[1]) return;  // only after a failed init

  std::int32_t found;
  float newT;
  if (t >= split_) {
    found = 1;
    newT = split_ == 1.0f ? 1.0f : (t - split_) / (1.0f - split_);
  } else {
    found = 0;
    newT = split_ != 0.0f ? t / split_ : 1.0f;
  }

  if (last_ == -1 && found == 1) {
    // The first update already lies in the second action: play the first one
    // through before moving on.
    actions_[0]->startWithTarget(target_);
    actions_[0]->update(1.0f);
    actions_[0]->stop();
  }
  if (last_ != found) {
    if (last_ != -1) {
      actions_[last_]->update(1.0f);
      actions_[last_]->stop();
    }
    actions_[found]->startWithTarget(target_);
  }
  actions_[found]->update(newT);
  last_ = found;
}
