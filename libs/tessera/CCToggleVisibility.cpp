#include "tessera/CCToggleVisibility.h"

#include "tessera/CCNode.h"

CCToggleVisibility* CCToggleVisibility::action() {
  return platform::createAutoreleased<CCToggleVisibility>([](CCToggleVisibility& action) { return action.init(); });
}

void CCToggleVisibility::startWithTarget(platform::Object* target) {
  CCActionInstant::startWithTarget(target);
  if (auto* node = dynamic_cast<CCNode*>(target)) node->setVisible(!node->visible());
}
