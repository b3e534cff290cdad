#pragma once
// agsprite: the sprite class of the radar pictures. A CCSprite with seven
// integer properties for game state; they start at 0 and nothing in the
// application reads or writes them.

#include "tessera/CCTexture2D.h"  // before CCSprite.h, which holds textures by Ref
#include "tessera/CCSprite.h"

#include <cstdint>
#include <string>

class agsprite : public CCSprite {
  PLATFORM_CLASS(agsprite, CCSprite)
 public:
  CC_NODE_FACTORY(agsprite)
  /// An agsprite showing the cached sprite frame `name`, autoreleased, or
  /// nullptr when the sprite cannot be made.
  static agsprite* spriteWithSpriteFrameName(const std::string& name);

  std::int32_t controlled_tessera() const { return _controlled_tessera; }
  void setControlled_tessera(std::int32_t value) { _controlled_tessera = value; }
  std::int32_t direction() const { return _direction; }
  void setDirection(std::int32_t value) { _direction = value; }
  std::int32_t state() const { return _state; }
  void setState(std::int32_t value) { _state = value; }
  std::int32_t hp() const { return _hp; }
  void setHp(std::int32_t value) { _hp = value; }
  std::int32_t xvel() const { return _xvel; }
  void setXvel(std::int32_t value) { _xvel = value; }
  std::int32_t yvel() const { return _yvel; }
  void setYvel(std::int32_t value) { _yvel = value; }
  std::int32_t enemy() const { return _enemy; }
  void setEnemy(std::int32_t value) { _enemy = value; }

 private:
  std::int32_t _controlled_tessera = 0;
  std::int32_t _direction = 0;
  std::int32_t _state = 0;
  std::int32_t _hp = 0;
  std::int32_t _xvel = 0;
  std::int32_t _yvel = 0;
  std::int32_t _enemy = 0;
};
