// Sprites and batches: a hundred small sprites cut from one generated
// texture and drawn by a single sprite batch (one draw call), orbiting
// the centre; beside them, plain sprites flipped, faded and tinted.

#include "Demos.h"
#include "tessera/CCDirector.h"
#include "tessera/CCFadeTo.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"

#include <cmath>

namespace {

// Four 32 x 32 cells in a row: a disc, a ring, a diamond and a square, each
// in its own colour on clear.
void cellPixel(int x, int y, std::uint8_t* p) {
  const int cell = x / 32;
  const float dx = static_cast<float>(x % 32) - 15.5f, dy = static_cast<float>(y) - 15.5f;
  const float r2 = dx * dx + dy * dy;
  bool inside = false;
  switch (cell) {
    case 0: inside = r2 < 14 * 14; break;
    case 1: inside = r2 < 14 * 14 && r2 > 8 * 8; break;
    case 2: inside = std::fabs(dx) + std::fabs(dy) < 15; break;
    default: inside = std::fabs(dx) < 12 && std::fabs(dy) < 12; break;
  }
  static constexpr std::uint8_t kColours[4][3] = {{255, 120, 80}, {120, 220, 255}, {250, 220, 90}, {150, 255, 140}};
  for (int c = 0; c < 3; ++c) p[c] = inside ? kColours[cell][c] : 0;
  p[3] = inside ? 255 : 0;
}

}  // namespace

CCNode* makeSpritesDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  platform::Ref<CCTexture2D> texture = makeDemoTexture(128, 32, cellPixel);
  if (!texture) return nullptr;
  CCNode* root = CCNode::node();

  // The batch turns as a whole; its sprites turn the other way.
  CCSpriteBatchNode* batch = CCSpriteBatchNode::batchNodeWithTexture(texture.get(), 100);
  if (!batch) return nullptr;
  batch->setPosition(CGPointMake(size.width * 0.4f, size.height * 0.45f));
  root->addChild(batch);
  for (int i = 0; i < 100; ++i) {
    CCSprite* sprite = CCSprite::spriteWithBatchNode(batch, CGRectMake(static_cast<float>(32 * (i % 4)), 0, 32, 32));
    const float angle = static_cast<float>(i) * 0.37f, radius = 30 + static_cast<float>(i) * 1.6f;
    sprite->setPosition(CGPointMake(radius * std::cos(angle), radius * std::sin(angle)));
    sprite->setScale(0.5f + static_cast<float>(i % 5) * 0.12f);
    sprite->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(2, -360)));
    batch->addChild(sprite);
  }
  batch->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(12, 360)));

  // Plain sprites on the right: as drawn, flipped, half faded and tinted.
  for (int i = 0; i < 4; ++i) {
    CCSprite* sprite = CCSprite::spriteWithTexture(texture.get(), CGRectMake(static_cast<float>(32 * i), 0, 32, 32));
    sprite->setScale(1.5f);
    sprite->setPosition(CGPointMake(size.width * 0.85f, size.height * 0.25f + static_cast<float>(i) * 60));
    if (i == 1) sprite->setFlipY(true);
    if (i == 2) {
      sprite->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(
          CCSequence::actions({CCFadeTo::actionWithDuration(1, 60), CCFadeTo::actionWithDuration(1, 255)}))));
    }
    if (i == 3) sprite->setColor(ccc3(255, 90, 200));
    root->addChild(sprite);
  }
  return root;
}
