#include "tessera/Platforms/iOS/CCStandardTouchHandler.h"

#include "platform/Assert.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"

CCStandardTouchHandler* CCStandardTouchHandler::handlerWithDelegate(platform::Object* delegate,
                                                                    int32_t priority) {
  return platform::createAutoreleased<CCStandardTouchHandler>(
      [&](CCStandardTouchHandler& handler) { return handler.initWithDelegate(delegate, priority); });
}

bool CCStandardTouchHandler::initWithDelegate(platform::Object* delegate, int32_t priority) {
  standardDelegate_ = nullptr;
  if (!CCTouchHandler::initWithDelegate(delegate, priority)) return false;
  auto* standard = dynamic_cast<CCStandardTouchDelegate*>(delegate);
  CCAssert(standard != nullptr, "CCStandardTouchHandler: %s does not adopt CCStandardTouchDelegate",
           delegate->className());
  if (standard == nullptr) return false;
  standardDelegate_ = standard;
  setEnabledSelectors(standard->touchesSelectorMask() & kCCTouchSelectorAllBits);
  return true;
}
