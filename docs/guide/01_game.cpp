// A scene of one layer: a radar picture and a finger from a sprite sheet, the
// radar pulsing and the finger gliding along an eased path; dragging the
// finger moves it, and letting go sends it home with a bounce.

#include "GuideApp.h"
#include "platform/Geometry.h"
#include "platform/Touch.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCCallBlock.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayer.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMoveTo.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCScaleTo.h"
#include "tessera/CCScene.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"

namespace {

// [guide:layer]
class GameLayer : public CCLayer {
  PLATFORM_CLASS(GameLayer, CCLayer)

 public:
  CC_NODE_FACTORY(GameLayer)

  bool init() override {
    if (!CCLayer::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccc4(10, 20, 30, 255)), -1);
    if (!addSprites(size)) return false;
    startActions(size);
    setIsTouchEnabled(true);
    return true;
  }
  // [guide:end]

  // [guide:sprites]
  bool addSprites(CGSize size) {
    // Loads every frame of the sheet and its texture, once for the program.
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("umbrascope.plist");
    // One batch node draws all the sprites of one texture in a single call.
    CCSpriteBatchNode* sheet = CCSpriteBatchNode::batchNodeWithFile("umbrascope.png");
    radar_ = CCSprite::spriteWithSpriteFrameName("radarbase3.png");
    finger_ = CCSprite::spriteWithSpriteFrameName("finger.png");
    if (sheet == nullptr || radar_ == nullptr || finger_ == nullptr) return false;
    radar_->setPosition(CGPointMake(size.width / 2, size.height / 2));
    finger_->setPosition(CGPointMake(40, 40));
    sheet->addChild(radar_);
    sheet->addChild(finger_, 1);
    addChild(sheet);
    return true;
  }
  // [guide:end]

  // [guide:actions]
  void startActions(CGSize size) {
    // Pulse for ever: grow and shrink with a smooth start and stop.
    CCFiniteTimeAction* pulse = CCSequence::actions({
        CCEaseInOut::actionWithAction(CCScaleTo::actionWithDuration(0.8f, 1.1f), 2),
        CCEaseInOut::actionWithAction(CCScaleTo::actionWithDuration(0.8f, 1.0f), 2),
    });
    radar_->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(pulse)));

    // Glide to the top-right corner, wait, then call back.
    finger_->runAction(CCSequence::actions({
        CCEaseExponentialOut::actionWithAction(
            CCMoveTo::actionWithDuration(1.5f, CGPointMake(size.width - 40, size.height - 40))),
        CCDelayTime::actionWithDuration(0.5f),
        CCCallBlock::actionWithBlock([this] { radar_->setColor(ccc3(120, 255, 120)); }),  // turn green
    }));
  }
  // [guide:end]

  // [guide:touches]
  // Targeted: one touch at a time, claimed in ccTouchBegan; a claimed touch
  // is swallowed, so delegates served after this one never see it.
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
  }
  unsigned touchSelectorMask() const override { return kCCTouchSelectorMovedBit | kCCTouchSelectorEndedBit; }

  bool ccTouchBegan(platform::Touch* touch, platform::Event*) override {
    // Claim only touches that start on the finger.
    if (!CGRectContainsPoint(finger_->boundingBox(), convertTouchToNodeSpace(touch))) return false;
    finger_->stopAllActions();
    return true;
  }
  void ccTouchMoved(platform::Touch* touch, platform::Event*) override {
    finger_->setPosition(convertTouchToNodeSpace(touch));
  }
  void ccTouchEnded(platform::Touch*, platform::Event*) override {
    finger_->runAction(CCEaseBounceOut::actionWithAction(CCMoveTo::actionWithDuration(1, CGPointMake(40, 40))));
  }
  // [guide:end]

 private:
  CCSprite* radar_ = nullptr;   // children of the batch node, which keeps them
  CCSprite* finger_ = nullptr;
};

// [guide:scene]
class GameScene : public CCScene {
  PLATFORM_CLASS(GameScene, CCScene)

 public:
  CC_NODE_FACTORY(GameScene)

  bool init() override {
    if (!CCScene::init()) return false;
    CCLayer* layer = GameLayer::node();
    if (layer == nullptr) return false;
    addChild(layer);
    return true;
  }
};

class GameAppDelegate : public GameDelegate {
  PLATFORM_CLASS(GameAppDelegate, GameDelegate)

 protected:
  CCScene* firstScene() override { return GameScene::node(); }
};
// [guide:end]

}  // namespace

// [guide:main]
int main(int argc, char** argv) { return runGame(argc, argv, "GameAppDelegate"); }
// [guide:end]
