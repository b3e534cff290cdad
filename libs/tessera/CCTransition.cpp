#include "tessera/CCTransition.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCActionGrid.h"
#include "tessera/CCActionTiledGrid.h"
#include "tessera/CCCallFunc.h"
#include "tessera/CCCamera.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCFadeIn.h"
#include "tessera/CCFadeOut.h"
#include "tessera/CCFadeTo.h"
#include "tessera/CCHide.h"
#include "tessera/CCJumpBy.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCMoveTo.h"
#include "tessera/CCOrbitCamera.h"
#include "tessera/CCRenderTexture.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScaleBy.h"
#include "tessera/CCScaleTo.h"
#include "tessera/CCSequence.h"
#include "tessera/CCShow.h"
#include "tessera/CCSpawn.h"
#include "tessera/CCSprite.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

// [SECTION] CCTransitionScene
// [SECTION] CCTransitionSceneOriented
// [SECTION] Zooms
// [SECTION] Move-in and slide-in
// [SECTION] Flips and zoom flips
// [SECTION] Fades
// [SECTION] Tile effects

namespace {

// The slides stop half a point short of a full window, so that the two
// scenes overlap by a hair and no seam shows between them.
constexpr float kSlideOverlap = 0.5f;

CGSize windowSize() { return CCDirector::sharedDirector()->winSize(); }

// Puts a scene back to rest: origin at (0, 0), unscaled, unturned, camera
// restored.
void restScene(CCScene* scene, bool visible) {
  if (scene == nullptr) return;
  scene->setVisible(visible);
  scene->setPosition(CGPointZero);
  scene->setScale(1.0f);
  scene->setRotation(0.0f);
  scene->camera()->restore();
}

}  // namespace

// [SECTION] CCTransitionScene

bool CCTransitionScene::initWithDuration(float duration, CCScene* scene) {
  CCAssert(scene != nullptr, "Argument scene must be non-nil");
  if (scene == nullptr) return false;
  if (!CCScene::init()) return false;

  duration_ = duration;
  inScene_ = scene;
  outScene_ = CCDirector::sharedDirector()->runningScene();
  CCAssert(inScene_ != outScene_, "Incoming scene must be different from the outgoing scene");
  if (inScene_ == outScene_) {
    inScene_ = nullptr;
    outScene_ = nullptr;
    return false;
  }

  // No touches reach any layer until the incoming scene is in place.
  CCTouchDispatcher::sharedDispatcher()->setDispatchEvents(false);
  sceneOrder();
  return true;
}

void CCTransitionScene::sceneOrder() { inSceneOnTop_ = true; }

void CCTransitionScene::draw() {
  CCScene* lower = inSceneOnTop_ ? outScene_.get() : inScene_.get();
  CCScene* upper = inSceneOnTop_ ? inScene_.get() : outScene_.get();
  if (lower != nullptr) lower->visit();
  if (upper != nullptr) upper->visit();
}

void CCTransitionScene::visit() {
  ++framesDrawn_;
  CCScene::visit();
}

void CCTransitionScene::onEnter() {
  CCScene::onEnter();
  inScene_->onEnter();
}

void CCTransitionScene::onExit() {
  CCScene::onExit();
  if (outScene_) outScene_->onExit();
  // The incoming scene stays running: it becomes the director's scene.
  inScene_->onEnterTransitionDidFinish();
}

void CCTransitionScene::cleanup() {
  CCScene::cleanup();
  if (sendCleanupToScene_ && outScene_) outScene_->cleanup();
}

CCFiniteTimeAction* CCTransitionScene::finishAction() {
  return CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::finish));
}

void CCTransitionScene::finish() {
  restScene(inScene_.get(), true);
  restScene(outScene_.get(), false);
  framesAtFinish_ = framesDrawn_;
  schedule(CC_SEL(CCTransitionScene::setNewScene), 0.0f);
}

void CCTransitionScene::hideOutShowIn() {
  inScene_->setVisible(true);
  if (outScene_) outScene_->setVisible(false);
}

void CCTransitionScene::setNewScene(float) {
  // finish() runs inside a frame's tick, and a timer added there can fire in
  // the same tick: wait until the last step has been drawn.
  if (framesDrawn_ == framesAtFinish_) return;
  unschedule(CC_SEL(CCTransitionScene::setNewScene));

  // Keeps the scenes alive while the director drops the transition.
  platform::Ref<CCTransitionScene> self(this);
  CCDirector* director = CCDirector::sharedDirector();
  sendCleanupToScene_ = director->sendCleanupToScene();
  director->replaceScene(inScene_.get());
  CCTouchDispatcher::sharedDispatcher()->setDispatchEvents(true);
  if (outScene_) outScene_->setVisible(true);
}

// [SECTION] CCTransitionSceneOriented

bool CCTransitionSceneOriented::initWithDuration(float duration, CCScene* scene, tOrientation orientation) {
  orientation_ = orientation;
  return CCTransitionScene::initWithDuration(duration, scene);
}

// [SECTION] Zooms

void CCTransitionRotoZoom::onEnter() {
  CCTransitionScene::onEnter();
  const float half = duration_ / 2;

  inScene_->setScale(0.001f);
  inScene_->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  CCSequence* spinAway = CCSequence::actionOne(
      CCSpawn::actionOne(CCScaleBy::actionWithDuration(half, 0.001f), CCRotateBy::actionWithDuration(half, 720)),
      CCDelayTime::actionWithDuration(half));
  if (outScene_) {
    outScene_->setScale(1.0f);
    outScene_->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    outScene_->runAction(spinAway);
  }
  inScene_->runAction(CCSequence::actionOne(spinAway->reverse(), finishAction()));
}

void CCTransitionJumpZoom::onEnter() {
  CCTransitionScene::onEnter();
  const CGSize size = windowSize();
  const float quarter = duration_ / 4;

  inScene_->setScale(0.5f);
  inScene_->setPosition(CGPointMake(size.width, 0));
  inScene_->setAnchorPoint(CGPointMake(0.5f, 0.5f));

  // Each scene gets its own jump: one action object can follow one target
  // only, and the scenes' turns meet in the same frame.
  CCJumpBy* jumpOut = CCJumpBy::actionWithDuration(quarter, CGPointMake(-size.width, 0), size.width / 4, 2);
  CCJumpBy* jumpIn = platform::autoreleased(jumpOut->copy());
  if (outScene_) {
    outScene_->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    outScene_->runAction(CCSequence::actionOne(CCScaleTo::actionWithDuration(quarter, 0.5f), jumpOut));
  }
  inScene_->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(duration_ / 2), jumpIn,
                                           CCScaleTo::actionWithDuration(quarter, 1.0f), finishAction()}));
}

void CCTransitionShrinkGrow::onEnter() {
  CCTransitionScene::onEnter();

  inScene_->setScale(0.001f);
  inScene_->setAnchorPoint(CGPointMake(2 / 3.0f, 0.5f));
  inScene_->runAction(easeActionWithAction(CCScaleTo::actionWithDuration(duration_, 1.0f)));

  CCActionInterval* shrink = easeActionWithAction(CCScaleTo::actionWithDuration(duration_, 0.01f));
  if (outScene_) {
    outScene_->setScale(1.0f);
    outScene_->setAnchorPoint(CGPointMake(1 / 3.0f, 0.5f));
    outScene_->runAction(CCSequence::actionOne(shrink, finishAction()));
  } else {
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(duration_), finishAction()));
  }
}

CCActionInterval* CCTransitionShrinkGrow::easeActionWithAction(CCActionInterval* action) {
  return CCEaseOut::actionWithAction(action, 2.0f);
}

// [SECTION] Move-in and slide-in

void CCTransitionMoveInL::onEnter() {
  CCTransitionScene::onEnter();
  initScenes();
  inScene_->runAction(CCSequence::actionOne(easeActionWithAction(action()), finishAction()));
}

void CCTransitionMoveInL::initScenes() { inScene_->setPosition(CGPointMake(-windowSize().width, 0)); }

CCActionInterval* CCTransitionMoveInL::action() { return CCMoveTo::actionWithDuration(duration_, CGPointZero); }

CCActionInterval* CCTransitionMoveInL::easeActionWithAction(CCActionInterval* action) {
  return CCEaseOut::actionWithAction(action, 2.0f);
}

void CCTransitionMoveInR::initScenes() { inScene_->setPosition(CGPointMake(windowSize().width, 0)); }

void CCTransitionMoveInT::initScenes() { inScene_->setPosition(CGPointMake(0, windowSize().height)); }

void CCTransitionMoveInB::initScenes() { inScene_->setPosition(CGPointMake(0, -windowSize().height)); }

void CCTransitionSlideInL::sceneOrder() { inSceneOnTop_ = false; }

void CCTransitionSlideInL::onEnter() {
  CCTransitionScene::onEnter();
  initScenes();
  inScene_->runAction(easeActionWithAction(action()));
  CCActionInterval* push = easeActionWithAction(action());
  if (outScene_) {
    outScene_->runAction(CCSequence::actionOne(push, finishAction()));
  } else {
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(duration_), finishAction()));
  }
}

void CCTransitionSlideInL::initScenes() {
  inScene_->setPosition(CGPointMake(-(windowSize().width - kSlideOverlap), 0));
}

CCActionInterval* CCTransitionSlideInL::action() {
  return CCMoveBy::actionWithDuration(duration_, CGPointMake(windowSize().width - kSlideOverlap, 0));
}

CCActionInterval* CCTransitionSlideInL::easeActionWithAction(CCActionInterval* action) {
  return CCEaseOut::actionWithAction(action, 2.0f);
}

void CCTransitionSlideInR::initScenes() {
  inScene_->setPosition(CGPointMake(windowSize().width - kSlideOverlap, 0));
}

CCActionInterval* CCTransitionSlideInR::action() {
  return CCMoveBy::actionWithDuration(duration_, CGPointMake(-(windowSize().width - kSlideOverlap), 0));
}

void CCTransitionSlideInT::initScenes() {
  inScene_->setPosition(CGPointMake(0, windowSize().height - kSlideOverlap));
}

CCActionInterval* CCTransitionSlideInT::action() {
  return CCMoveBy::actionWithDuration(duration_, CGPointMake(0, -(windowSize().height - kSlideOverlap)));
}

void CCTransitionSlideInB::initScenes() {
  inScene_->setPosition(CGPointMake(0, -(windowSize().height - kSlideOverlap)));
}

CCActionInterval* CCTransitionSlideInB::action() {
  return CCMoveBy::actionWithDuration(duration_, CGPointMake(0, windowSize().height - kSlideOverlap));
}

// [SECTION] Flips and zoom flips

namespace {

// Camera angles of a flip: where each scene's eye starts (angle Z from the
// +z axis, angle X round it) and how far angle Z turns.
struct FlipAngles {
  float inAngleZ, inDeltaZ, outAngleZ, outDeltaZ;
  float inAngleX, outAngleX;
};

FlipAngles flipAngles(tOrientation orientation, float inAngleX, float outAngleX) {
  // Orientation 1 turns the eye +90 degrees: the incoming scene comes round
  // from 270 while the outgoing one leaves from 0; orientation 0 mirrors it.
  if (orientation == kOrientationRightOver) return {270, 90, 0, 90, inAngleX, outAngleX};
  return {90, -90, 0, -90, inAngleX, outAngleX};
}

// The incoming scene waits half the duration, shows and turns in (growing
// to full size when zooming); the outgoing scene turns away (shrinking to
// half size when zooming) and hides. The incoming sequence ends with finish.
void runFlip(CCScene* inScene, CCScene* outScene, float duration,
             const FlipAngles& angles, bool zoom, CCFiniteTimeAction* finish) {
  const float half = duration / 2;
  inScene->setVisible(false);
  if (zoom) inScene->setScale(0.5f);

  CCFiniteTimeAction* turnIn =
      CCOrbitCamera::actionWithDuration(half, 1, 0, angles.inAngleZ, angles.inDeltaZ, angles.inAngleX, 0);
  if (zoom) turnIn = CCSpawn::actionOne(turnIn, CCScaleTo::actionWithDuration(half, 1.0f));
  inScene->runAction(
      CCSequence::actions({CCDelayTime::actionWithDuration(half), CCShow::action(), turnIn, finish}));

  if (outScene == nullptr) return;
  CCFiniteTimeAction* turnOut =
      CCOrbitCamera::actionWithDuration(half, 1, 0, angles.outAngleZ, angles.outDeltaZ, angles.outAngleX, 0);
  if (zoom) turnOut = CCSpawn::actionOne(turnOut, CCScaleTo::actionWithDuration(half, 0.5f));
  outScene->runAction(CCSequence::actions({turnOut, CCHide::action(), CCDelayTime::actionWithDuration(half)}));
}

}  // namespace

void CCTransitionFlipX::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, 0, 0), false, finishAction());
}

void CCTransitionFlipY::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, 90, 90), false,
          finishAction());
}

void CCTransitionFlipAngular::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, -45, 45), false,
          finishAction());
}

void CCTransitionZoomFlipX::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, 0, 0), true, finishAction());
}

void CCTransitionZoomFlipY::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, 90, 90), true,
          finishAction());
}

void CCTransitionZoomFlipAngular::onEnter() {
  CCTransitionSceneOriented::onEnter();
  runFlip(inScene_.get(), outScene_.get(), duration_, flipAngles(orientation_, -45, 45), true,
          finishAction());
}

// [SECTION] Fades

CCTransitionFade* CCTransitionFade::transitionWithDuration(float duration, CCScene* scene, ccColor3B color) {
  return platform::createAutoreleased<CCTransitionFade>(
      [&](CCTransitionFade& transition) { return transition.initWithDuration(duration, scene, color); });
}

bool CCTransitionFade::initWithDuration(float duration, CCScene* scene) {
  return initWithDuration(duration, scene, ccc3(0, 0, 0));
}

bool CCTransitionFade::initWithDuration(float duration, CCScene* scene, ccColor3B color) {
  color_ = color;
  return CCTransitionScene::initWithDuration(duration, scene);
}

void CCTransitionFade::onEnter() {
  CCTransitionScene::onEnter();
  CCLayerColor* layer = CCLayerColor::layerWithColor(ccc4(color_.r, color_.g, color_.b, 0));
  inScene_->setVisible(false);
  addChild(layer, 2, kSceneFade);
  const float half = duration_ / 2;
  layer->runAction(CCSequence::actions(
      {CCFadeIn::actionWithDuration(half), CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::hideOutShowIn)),
       CCFadeOut::actionWithDuration(half), finishAction()}));
}

void CCTransitionFade::onExit() {
  CCTransitionScene::onExit();
  removeChildByTag(kSceneFade, false);
}

void CCTransitionCrossFade::draw() {
  // The scenes show through their pictures in the colour layer. Without the
  // pictures (they could not be made) the scenes are drawn as usual.
  if (getChildByTag(kSceneFade) == nullptr) CCTransitionScene::draw();
}

void CCTransitionCrossFade::onEnter() {
  CCTransitionScene::onEnter();
  const CGSize size = windowSize();
  const CGPoint centre = CGPointMake(size.width / 2, size.height / 2);
  const int width = static_cast<int>(size.width);
  const int height = static_cast<int>(size.height);

  CCRenderTexture* inPicture = CCRenderTexture::renderTextureWithWidth(width, height);
  CCRenderTexture* outPicture = CCRenderTexture::renderTextureWithWidth(width, height);
  if (inPicture == nullptr || outPicture == nullptr) {
    CCLOG("tessera: CCTransitionCrossFade: cannot make %dx%d pictures of the scenes; changing scenes without the "
          "dissolve",
          width, height);
    runAction(CCSequence::actions({CCDelayTime::actionWithDuration(duration_),
                                   CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::hideOutShowIn)),
                                   finishAction()}));
    return;
  }

  // Each picture is centred on the window and drawn once, now.
  for (CCRenderTexture* picture : {inPicture, outPicture}) {
    picture->sprite()->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    picture->setPosition(centre);
    picture->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  }
  inPicture->begin();
  inScene_->visit();
  inPicture->end();
  outPicture->begin();
  if (outScene_) outScene_->visit();
  outPicture->end();

  // The incoming picture is added over what is below; the outgoing one is
  // blended by its opacity on top, so fading it reveals the incoming scene.
  inPicture->sprite()->setBlendFunc(ccBlendFunc{GL_ONE, GL_ONE});
  outPicture->sprite()->setBlendFunc(ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA});
  inPicture->sprite()->setOpacity(255);
  outPicture->sprite()->setOpacity(255);

  CCLayerColor* layer = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 0));
  layer->addChild(inPicture);
  layer->addChild(outPicture);
  addChild(layer, 2, kSceneFade);

  outPicture->sprite()->runAction(CCSequence::actions(
      {CCFadeTo::actionWithDuration(duration_, 0),
       CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::hideOutShowIn)), finishAction()}));
}

void CCTransitionCrossFade::onExit() {
  removeChildByTag(kSceneFade, false);
  CCTransitionScene::onExit();
}

// [SECTION] Tile effects

namespace {

// 12 rows, and as many columns as keep the tiles about square (whole
// columns only).
ccGridSize tileGridSize() {
  const CGSize size = windowSize();
  const float aspect = size.width / size.height;
  return ccg(static_cast<std::int32_t>(12 * aspect), 12);
}

}  // namespace

void CCTransitionTurnOffTiles::sceneOrder() { inSceneOnTop_ = false; }

void CCTransitionTurnOffTiles::onEnter() {
  CCTransitionScene::onEnter();
  CCActionInterval* tiles = easeActionWithAction(CCTurnOffTiles::actionWithSize(tileGridSize(), duration_));
  if (outScene_) {
    outScene_->runAction(CCSequence::actions({tiles, finishAction(), CCStopGrid::action()}));
  } else {
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(duration_), finishAction()));
  }
}

CCActionInterval* CCTransitionTurnOffTiles::easeActionWithAction(CCActionInterval* action) { return action; }

void CCTransitionFadeTR::sceneOrder() { inSceneOnTop_ = false; }

void CCTransitionFadeTR::onEnter() {
  CCTransitionScene::onEnter();
  CCActionInterval* tiles = easeActionWithAction(actionWithSize(tileGridSize()));
  if (outScene_) {
    outScene_->runAction(CCSequence::actions({tiles, finishAction(), CCStopGrid::action()}));
  } else {
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(duration_), finishAction()));
  }
}

CCActionInterval* CCTransitionFadeTR::actionWithSize(ccGridSize size) {
  return CCFadeOutTRTiles::actionWithSize(size, duration_);
}

CCActionInterval* CCTransitionFadeTR::easeActionWithAction(CCActionInterval* action) { return action; }

CCActionInterval* CCTransitionFadeBL::actionWithSize(ccGridSize size) {
  return CCFadeOutBLTiles::actionWithSize(size, duration_);
}

CCActionInterval* CCTransitionFadeUp::actionWithSize(ccGridSize size) {
  return CCFadeOutUpTiles::actionWithSize(size, duration_);
}

CCActionInterval* CCTransitionFadeDown::actionWithSize(ccGridSize size) {
  return CCFadeOutDownTiles::actionWithSize(size, duration_);
}

void CCTransitionSplitCols::onEnter() {
  CCTransitionScene::onEnter();
  inScene_->setVisible(false);

  // The grid is the transition's own, so it splits whichever scene shows:
  // the outgoing one opens, the scenes swap, the incoming one closes.
  CCActionInterval* split = action();
  CCActionInterval* openSwapClose = static_cast<CCActionInterval*>(CCSequence::actions(
      {split, CCCallFunc::actionWithTarget(this, CC_SEL(CCTransitionScene::hideOutShowIn)), split->reverse()}));
  runAction(CCSequence::actions({easeActionWithAction(openSwapClose), finishAction(), CCStopGrid::action()}));
}

CCActionInterval* CCTransitionSplitCols::action() { return CCSplitCols::actionWithCols(3, duration_ / 2); }

CCActionInterval* CCTransitionSplitCols::easeActionWithAction(CCActionInterval* action) {
  return CCEaseInOut::actionWithAction(action, 3.0f);
}

CCActionInterval* CCTransitionSplitRows::action() { return CCSplitRows::actionWithRows(3, duration_ / 2); }
