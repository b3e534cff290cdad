#include "tessera/Platforms/iOS/CCTargetedTouchHandler.h"

#include "platform/Assert.h"
#include "tessera/Platforms/iOS/CCTouchDelegateProtocol.h"

namespace {
// Most delegates hold one or two fingers at a time.
constexpr std::size_t kClaimedTouchesCapacity = 2;
}  // namespace

CCTargetedTouchHandler* CCTargetedTouchHandler::handlerWithDelegate(platform::Object* delegate,
                                                                    int32_t priority,
                                                                    bool swallowsTouches) {
  return platform::createAutoreleased<CCTargetedTouchHandler>([&](CCTargetedTouchHandler& handler) {
    return handler.initWithDelegate(delegate, priority, swallowsTouches);
  });
}

bool CCTargetedTouchHandler::initWithDelegate(platform::Object* delegate, int32_t priority) {
  return initWithDelegate(delegate, priority, false);
}

bool CCTargetedTouchHandler::initWithDelegate(platform::Object* delegate, int32_t priority,
                                              bool swallowsTouches) {
  targetedDelegate_ = nullptr;
  claimedTouches_.clear();
  if (!CCTouchHandler::initWithDelegate(delegate, priority)) return false;
  auto* targeted = dynamic_cast<CCTargetedTouchDelegate*>(delegate);
  CCAssert(targeted != nullptr, "CCTargetedTouchHandler: %s does not adopt CCTargetedTouchDelegate",
           delegate->className());
  if (targeted == nullptr) return false;
  targetedDelegate_ = targeted;
  claimedTouches_.reserve(kClaimedTouchesCapacity);
  swallowsTouches_ = swallowsTouches;
  setEnabledSelectors(kCCTouchSelectorBeganBit |
                      (targeted->touchSelectorMask() & kCCTouchSelectorAllBits));
  return true;
}
