#include "tessera/CCAction.h"

#include "platform/Assert.h"
#include "platform/Log.h"

CCAction* CCAction::action() {
  return platform::createAutoreleased<CCAction>([](CCAction& action) { return action.init(); });
}

bool CCAction::init() {
  originalTarget_ = nullptr;
  target_ = nullptr;
  tag_ = kCCActionTagInvalid;
  return true;
}

CCAction* CCAction::newActionOfSameClass() const {
  platform::Object* made = classInfo().newInstance();
  CCAssert(made != nullptr, "%s: copy needs a default-constructible class", className());
  if (!made) return nullptr;
  auto* action = dynamic_cast<CCAction*>(made);
  if (!action) made->release();
  return action;
}

CCAction* CCAction::copy() const {
  CCAction* copy = newInstanceOfSameClass<CCAction>();
  if (!copy) return nullptr;
  if (!copy->init()) {
    copy->release();
    return nullptr;
  }
  copy->setTag(tag_);
  return copy;
}

std::string CCAction::description() const {
  return std::string("<") + className() + " = " + platform::addressString(this) +
         " | Tag = " + std::to_string(tag_) + ">";
}

void CCAction::startWithTarget(platform::Object* target) {
  originalTarget_ = target;
  target_ = target;
}

void CCAction::stop() { target_ = nullptr; }

bool CCAction::isDone() const { return true; }

void CCAction::step(float dt) { CCLOG("[Action step]. override me"); }

void CCAction::update(float t) { CCLOG("[Action update]. override me"); }
