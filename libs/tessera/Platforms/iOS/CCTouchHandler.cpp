#include "tessera/Platforms/iOS/CCTouchHandler.h"

#include "platform/Assert.h"

CCTouchHandler* CCTouchHandler::handlerWithDelegate(platform::Object* delegate, int32_t priority) {
  return platform::createAutoreleased<CCTouchHandler>(
      [&](CCTouchHandler& handler) { return handler.initWithDelegate(delegate, priority); });
}

bool CCTouchHandler::initWithDelegate(platform::Object* delegate, int32_t priority) {
  CCAssert(delegate != nullptr, "Touch delegate may not be nil");
  // A handler without a delegate would have nobody to call; refuse it rather
  // than leave an inert entry in the dispatcher's lists.
  if (delegate == nullptr) return false;
  delegate_ = delegate;
  priority_ = priority;
  enabledSelectors_ = 0;
  return true;
}
