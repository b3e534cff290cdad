#include "tessera/CCTransitionRadial.h"

#include "platform/Log.h"
#include "tessera/CCCallFunc.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCProgressFromTo.h"
#include "tessera/CCRenderTexture.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSprite.h"
#include "tessera/ccMacros.h"

void CCTransitionRadialCCW::sceneOrder() { inSceneOnTop_ = false; }

CCProgressTimerType CCTransitionRadialCCW::radialType() { return kCCProgressTimerTypeRadialCCW; }

CCProgressTimerType CCTransitionRadialCW::radialType() { return kCCProgressTimerTypeRadialCW; }

void CCTransitionRadialCCW::onEnter() {
  CCTransitionScene::onEnter();
  const CGSize size = CCDirector::sharedDirector()->winSize();
  const CGPoint centre = CGPointMake(size.width / 2, size.height / 2);
  const int width = static_cast<int>(size.width);
  const int height = static_cast<int>(size.height);

  CCRenderTexture* picture = CCRenderTexture::renderTextureWithWidth(width, height);
  if (picture == nullptr) {
    CCLOG("tessera: %s: cannot make a %dx%d picture of the outgoing scene; changing scenes without the wipe",
          className(), width, height);
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(duration_),
                                   CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::hideOutShowIn)),
                                   finishAction()}));
    return;
  }

  // The outgoing scene as it is now, over opaque black.
  picture->sprite()->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  picture->setPosition(centre);
  picture->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  picture->beginWithClear(0, 0, 0, 1);
  if (outScene_) outScene_->visit();
  picture->end();

  hideOutShowIn();

  // The timer shares the picture's texture, which the render texture fills
  // upside down; the texture outlives the render texture through the timer.
  CCProgressTimer* wipe = CCProgressTimer::progressWithTexture(picture->sprite()->texture());
  wipe->sprite()->setFlipY(true);
  wipe->setType(radialType());
  wipe->setPercentage(100);
  wipe->setPosition(centre);
  wipe->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  wipe->runAction(
      CCSequence::actionOne(CCProgressFromTo::actionWithDuration(duration_, 100, 0), finishAction()));
  addChild(wipe, 2, kSceneRadial);
}

void CCTransitionRadialCCW::onExit() {
  removeChildByTag(kSceneRadial, false);
  CCTransitionScene::onExit();
}
