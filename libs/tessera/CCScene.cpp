#include "tessera/CCScene.h"

#include "tessera/CCDirector.h"

bool CCScene::init() {
  if (!CCNode::init()) return false;
  isRelativeAnchorPoint_ = false;
  // Stored directly: the pixel anchor is derived by setContentSize below.
  anchorPoint_ = CGPointMake(0.5f, 0.5f);
  setContentSize(CCDirector::sharedDirector()->winSize());
  return true;
}
