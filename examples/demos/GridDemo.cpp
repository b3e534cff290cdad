// Grid effects: three pictures, one above the other, each drawn through a
// grid that an action deforms: waves over the whole picture, a liquid
// wobble, and tiles that wave on their own.

#include "Demos.h"
#include "tessera/CCActionGrid3D.h"
#include "tessera/CCActionTiledGrid.h"
#include "tessera/CCDirector.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCSprite.h"

#include <cmath>

namespace {

// A 128 x 128 checkerboard of 16-pixel squares in two colours.
platform::Ref<CCTexture2D> checkerTexture(ccColor3B a, ccColor3B b) {
  return makeDemoTexture(128, 128, [a, b](int x, int y, std::uint8_t* p) {
    const ccColor3B c = ((x / 16 + y / 16) % 2 == 0) ? a : b;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = 255;
  });
}

// A node holding one checkerboard centred at height `y` (a share of the
// window's height), running `effect` for ever.
CCNode* framed(CCTexture2D* texture, float y, CCActionInterval* effect) {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  CCNode* holder = CCNode::node();
  CCSprite* picture = CCSprite::spriteWithTexture(texture);
  picture->setPosition(CGPointMake(size.width / 2, size.height * y));
  picture->setScale(std::fmin(1.4f, (size.height - 100) / 3 / 128));
  holder->addChild(picture);
  holder->runAction(CCRepeatForever::actionWithAction(effect));
  return holder;
}

}  // namespace

CCNode* makeGridDemo() {
  platform::Ref<CCTexture2D> warm = checkerTexture(ccc3(255, 170, 60), ccc3(150, 40, 60));
  platform::Ref<CCTexture2D> cool = checkerTexture(ccc3(90, 200, 255), ccc3(20, 50, 120));
  platform::Ref<CCTexture2D> green = checkerTexture(ccc3(150, 255, 140), ccc3(30, 90, 40));
  if (!warm || !cool || !green) return nullptr;
  CCNode* root = CCNode::node();
  root->addChild(framed(warm.get(), 0.76f, CCWaves3D::actionWithWaves(4, 20, ccg(15, 10), 4)));
  root->addChild(framed(cool.get(), 0.49f, CCLiquid::actionWithWaves(3, 6, ccg(16, 12), 4)));
  root->addChild(framed(green.get(), 0.22f, CCWavesTiles3D::actionWithWaves(3, 18, ccg(12, 12), 4)));
  return root;
}
