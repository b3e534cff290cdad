#include "tessera/CCTransitionPageTurn.h"

#include "tessera/CCActionGrid.h"
#include "tessera/CCActionPageTurn3D.h"
#include "tessera/CCCallFunc.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCReverseTime.h"
#include "tessera/CCSequence.h"
#include "tessera/CCShow.h"

CCTransitionPageTurn* CCTransitionPageTurn::transitionWithDuration(float duration, CCScene* scene, bool backwards) {
  return platform::createAutoreleased<CCTransitionPageTurn>(
      [&](CCTransitionPageTurn& transition) { return transition.initWithDuration(duration, scene, backwards); });
}

bool CCTransitionPageTurn::initWithDuration(float duration, CCScene* scene) {
  return initWithDuration(duration, scene, false);
}

bool CCTransitionPageTurn::initWithDuration(float duration, CCScene* scene, bool backwards) {
  // Before the base initialiser: it asks sceneOrder(), which depends on it.
  back_ = backwards;
  return CCTransitionScene::initWithDuration(duration, scene);
}

void CCTransitionPageTurn::sceneOrder() { inSceneOnTop_ = back_; }

CCActionInterval* CCTransitionPageTurn::actionWithSize(ccGridSize size) {
  CCActionInterval* turn = CCPageTurn3D::actionWithSize(size, duration_);
  if (back_) return CCReverseTime::actionWithAction(turn);
  return turn;
}

void CCTransitionPageTurn::onEnter() {
  CCTransitionScene::onEnter();
  const CGSize window = CCDirector::sharedDirector()->winSize();
  const ccGridSize size = window.width > window.height ? ccg(16, 12) : ccg(12, 16);
  CCActionInterval* turn = actionWithSize(size);

  if (back_) {
    inScene_->setVisible(false);
    inScene_->runAction(CCSequence::actions({CCShow::action(), turn, finishAction(), CCStopGrid::action()}));
  } else if (outScene_) {
    outScene_->runAction(CCSequence::actions({turn, finishAction(), CCStopGrid::action()}));
  } else {
    runAction(CCSequence::actionOne(CCDelayTime::actionWithDuration(duration_), finishAction()));
  }
}
