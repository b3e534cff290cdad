#include "tessera/CCHide.h"

#include "tessera/CCShow.h"
#include "tessera/CCNode.h"

CCHide* CCHide::action() {
  return platform::createAutoreleased<CCHide>([](CCHide& action) { return action.init(); });
}

CCFiniteTimeAction* CCHide::reverse() const { return CCShow::action(); }

void CCHide::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* node = dynamic_cast<CCNode*>(target)) node->setVisible(false);
}
