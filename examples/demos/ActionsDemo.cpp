// Actions and easing: one square per easing curve, each running the same
// move there and back, so the curves can be compared side by side; a sprite
// above them jumps, turns, scales and tints in a spawn.

#include "Demos.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCDirector.h"
#include "tessera/CCJumpBy.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScaleTo.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSpawn.h"
#include "tessera/CCTintTo.h"

namespace {

struct Curve {
  const char* name;
  CCActionInterval* (*wrap)(CCActionInterval*);
};

const Curve kCurves[] = {
    {"linear", [](CCActionInterval* a) { return a; }},
    {"sine in-out", [](CCActionInterval* a) -> CCActionInterval* { return CCEaseSineInOut::actionWithAction(a); }},
    {"exponential in", [](CCActionInterval* a) -> CCActionInterval* { return CCEaseExponentialIn::actionWithAction(a); }},
    {"back out", [](CCActionInterval* a) -> CCActionInterval* { return CCEaseBackOut::actionWithAction(a); }},
    {"elastic out", [](CCActionInterval* a) -> CCActionInterval* { return CCEaseElasticOut::actionWithAction(a); }},
    {"bounce out", [](CCActionInterval* a) -> CCActionInterval* { return CCEaseBounceOut::actionWithAction(a); }},
};

}  // namespace

CCNode* makeActionsDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  CCNode* root = CCNode::node();
  const float top = size.height - 150, step = (size.height - 210) / 6;
  const float left = 130, travel = size.width - left - 60;
  int row = 0;
  for (const Curve& curve : kCurves) {
    const float y = top - step * static_cast<float>(row++);
    CCLabelTTF* name = CCLabelTTF::labelWithString(curve.name, "Helvetica", 14);
    if (!name) return nullptr;
    name->setAnchorPoint(CGPointMake(0, 0.5f));
    name->setPosition(CGPointMake(10, y));
    root->addChild(name);
    CCLayerColor* square = CCLayerColor::layerWithColor(ccc4(90, 200, 255, 255), 20, 20);
    square->setPosition(CGPointMake(left, y - 10));
    root->addChild(square);
    CCActionInterval* out = curve.wrap(CCMoveBy::actionWithDuration(1.5f, CGPointMake(travel, 0)));
    CCActionInterval* back = curve.wrap(CCMoveBy::actionWithDuration(1.5f, CGPointMake(-travel, 0)));
    square->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions({out, back}))));
  }

  // A spawn: jump, turn, grow and change colour at once, then back.
  CCLayerColor* jumper = CCLayerColor::layerWithColor(ccc4(255, 140, 30, 255), 40, 40);
  jumper->setIsRelativeAnchorPoint(true);
  jumper->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  jumper->setPosition(CGPointMake(size.width * 0.3f, size.height - 90));
  root->addChild(jumper);
  auto* there = CCSpawn::actions({CCJumpBy::actionWithDuration(1.2f, CGPointMake(size.width * 0.4f, 0), 30, 2),
                                  CCRotateBy::actionWithDuration(1.2f, 180), CCScaleTo::actionWithDuration(1.2f, 1.4f),
                                  CCTintTo::actionWithDuration(1.2f, 120, 255, 120)});
  auto* back = CCSpawn::actions({CCJumpBy::actionWithDuration(1.2f, CGPointMake(-size.width * 0.4f, 0), 30, 2),
                                 CCRotateBy::actionWithDuration(1.2f, 180), CCScaleTo::actionWithDuration(1.2f, 1.0f),
                                 CCTintTo::actionWithDuration(1.2f, 255, 140, 30)});
  jumper->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions({there, back}))));
  return root;
}
