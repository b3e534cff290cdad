#include "tessera/CGPointObject.h"

CGPointObject* CGPointObject::pointWithCGPoint(CGPoint ratio, CGPoint offset) {
  return platform::createAutoreleased<CGPointObject>(
      [&](CGPointObject& entry) { return entry.initWithCGPoint(ratio, offset); });
}

bool CGPointObject::initWithCGPoint(CGPoint ratio, CGPoint offset) {
  ratio_ = ratio;
  offset_ = offset;
  return true;
}
