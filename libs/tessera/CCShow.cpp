#include "tessera/CCShow.h"

#include "tessera/CCHide.h"
#include "tessera/CCNode.h"

CCShow* CCShow::action() {
  return platform::createAutoreleased<CCShow>([](CCShow& action) { return action.init(); });
}

CCFiniteTimeAction* CCShow::reverse() const { return CCHide::action(); }

void CCShow::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* node = dynamic_cast<CCNode*>(target)) node->setVisible(true);
}
