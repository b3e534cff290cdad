#include "tessera/CCActionCamera.h"

#include "platform/Ref.h"
#include "tessera/CCNode.h"
#include "tessera/CCReverseTime.h"

CCActionCamera* CCActionCamera::actionWithDuration(float duration) {
  return platform::createAutoreleased<CCActionCamera>(
      [&](CCActionCamera& action) { return action.initWithDuration(duration); });
}

void CCActionCamera::startWithTarget(platform::Object* target) {
  CCActionInterval::startWithTarget(target);
  auto* node = dynamic_cast<CCNode*>(target);
  if (!node) return;
  CCCamera* camera = node->camera();
  camera->centerX(&centerXOrig_, &centerYOrig_, &centerZOrig_);
  camera->eyeX(&eyeXOrig_, &eyeYOrig_, &eyeZOrig_);
  camera->upX(&upXOrig_, &upYOrig_, &upZOrig_);
}

CCFiniteTimeAction* CCActionCamera::reverse() const {
  // A copy rather than this very action, so that the action and its reverse
  // can run at the same time (in a spawn, or on two nodes).
  auto inner = platform::Ref<CCActionInterval>::adopt(copy());
  return CCReverseTime::actionWithAction(inner.get());
}

void CCActionCamera::update(float t) {}
