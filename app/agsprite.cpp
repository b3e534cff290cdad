#include "agsprite.h"

agsprite* agsprite::spriteWithSpriteFrameName(const std::string& name) {
  return platform::createAutoreleased<agsprite>([&](agsprite& s) { return s.initWithSpriteFrameName(name); });
}
