// CCFollow: centring, clamping to the world, finishing and copies.

#include "platform/Ref.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCFollow.h"
#include "tessera/CCNode.h"
#include "tessera/CCScheduler.h"

#include <gtest/gtest.h>

using platform::Ref;

namespace {

#define EXPECT_POINT_EQ(expected, actual)   \
  do {                                      \
    CGPoint e_ = (expected), a_ = (actual); \
    EXPECT_FLOAT_EQ(e_.x, a_.x) << "x";     \
    EXPECT_FLOAT_EQ(e_.y, a_.y) << "y";     \
  } while (0)

constexpr CGSize kWindow{480, 320};

class CCFollowTest : public testing::Test {
 protected:
  void TearDown() override {
    CCFollow::setDefaultWindowSize(CGSizeMake(480, 320));
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }

  /// A follow of `hero` inside `world` in a 480 × 320 window, started on `layer`.
  static CCFollow* follow(CCNode* layer, CCNode* hero, CGRect world) {
    CCFollow* action = platform::createAutoreleased<CCFollow>(
        [&](CCFollow& f) { return f.initWithTarget(hero, world, kWindow); });
    action->startWithTarget(layer);
    return action;
  }

  /// Where the layer ends up when the hero stands at `position`.
  static CGPoint layerPositionFor(CCFollow* action, CCNode* hero, CGPoint position) {
    hero->setPosition(position);
    action->step(1.0f / 60);
    return static_cast<CCNode*>(action->target())->position();
  }
};

TEST_F(CCFollowTest, WithoutLimitsKeepsTheFollowedNodeAtTheCentre) {
  CCFollow::setDefaultWindowSize(CGSizeMake(320, 480));
  CCNode* layer = CCNode::node();
  CCNode* hero = CCNode::node();
  CCFollow* action = CCFollow::actionWithTarget(hero);
  EXPECT_FALSE(action->boundarySet());
  action->startWithTarget(layer);
  EXPECT_POINT_EQ(CGPointMake(60, 190), layerPositionFor(action, hero, CGPointMake(100, 50)));
  EXPECT_POINT_EQ(CGPointMake(1160, 1240), layerPositionFor(action, hero, CGPointMake(-1000, -1000)));
}

TEST_F(CCFollowTest, ClampsSoTheScreenStaysInsideALargerWorld) {
  CCNode* layer = CCNode::node();
  CCNode* hero = CCNode::node();
  CCFollow* action = follow(layer, hero, CGRectMake(0, 0, 1000, 800));
  EXPECT_TRUE(action->boundarySet());
  EXPECT_POINT_EQ(CGPointMake(0, 0), layerPositionFor(action, hero, CGPointMake(10, 10)));
  EXPECT_POINT_EQ(CGPointMake(-260, -240), layerPositionFor(action, hero, CGPointMake(500, 400)));
  EXPECT_POINT_EQ(CGPointMake(-520, -480), layerPositionFor(action, hero, CGPointMake(990, 790)));

  // A world that does not start at the origin shifts the limits with it.
  action = follow(layer, hero, CGRectMake(-100, 50, 1000, 800));
  EXPECT_POINT_EQ(CGPointMake(100, -50), layerPositionFor(action, hero, CGPointMake(-500, -500)));
  EXPECT_POINT_EQ(CGPointMake(-420, -530), layerPositionFor(action, hero, CGPointMake(5000, 5000)));

  // Without clamping it follows freely again.
  action->setBoundarySet(false);
  EXPECT_POINT_EQ(CGPointMake(-4760, -4840), layerPositionFor(action, hero, CGPointMake(5000, 5000)));
}

TEST_F(CCFollowTest, AxisWhereTheWorldIsSmallerIsPinnedToTheMidpointAndASmallerWorldNeverMoves) {
  CCNode* layer = CCNode::node();
  CCNode* hero = CCNode::node();
  // 1000 wide, 100 high: y limits 220 and 0 collapse to 110; x follows.
  CCFollow* action = follow(layer, hero, CGRectMake(0, 0, 1000, 100));
  EXPECT_POINT_EQ(CGPointMake(-260, 110), layerPositionFor(action, hero, CGPointMake(500, 0)));
  EXPECT_POINT_EQ(CGPointMake(-520, 110), layerPositionFor(action, hero, CGPointMake(2000, 999)));

  // 100 wide, 1000 high: x limits 380 and 0 collapse to 190.
  action = follow(layer, hero, CGRectMake(0, 0, 100, 1000));
  EXPECT_POINT_EQ(CGPointMake(190, -340), layerPositionFor(action, hero, CGPointMake(-50, 500)));

  // Smaller on both axes: the target is never moved.
  layer->setPosition(CGPointMake(7, 9));
  action = follow(layer, hero, CGRectMake(0, 0, 200, 100));
  for (CGPoint at : {CGPointMake(0, 0), CGPointMake(150, 80), CGPointMake(-300, 900)}) {
    EXPECT_POINT_EQ(CGPointMake(7, 9), layerPositionFor(action, hero, at));
  }
}

TEST_F(CCFollowTest, FinishesWhenTheFollowedNodeStopsRunning) {
  CCNode* layer = CCNode::node();
  CCNode* hero = CCNode::node();
  layer->addChild(hero);
  layer->onEnter();
  layer->runAction(CCFollow::actionWithTarget(hero, CGRectMake(0, 0, 2000, 2000)));
  hero->setPosition(CGPointMake(1000, 1000));
  CCScheduler::sharedScheduler()->tick(1.0f / 60);
  EXPECT_POINT_EQ(CGPointMake(-760, -840), layer->position());
  EXPECT_EQ(1u, layer->numberOfRunningActions());

  layer->removeChild(hero, true);
  CCScheduler::sharedScheduler()->tick(1.0f / 60);
  EXPECT_EQ(0u, layer->numberOfRunningActions());
}

TEST_F(CCFollowTest, CopyKeepsOnlyTheTagAndFollowsNothing) {
  CCNode* layer = CCNode::node();
  CCNode* hero = CCNode::node();
  hero->setPosition(CGPointMake(10, 10));
  layer->setPosition(CGPointMake(3, 4));
  CCFollow* action = follow(layer, hero, CGRectMake(0, 0, 2000, 2000));
  action->setTag(12);
  Ref<CCFollow> copy = Ref<CCFollow>::adopt(action->copy());
  EXPECT_STREQ("CCFollow", copy->className());
  EXPECT_EQ(12, copy->tag());
  EXPECT_EQ(nullptr, copy->followedNode());
  EXPECT_FALSE(copy->boundarySet());

  copy->startWithTarget(layer);
  copy->step(1.0f / 60);  // nothing to follow: no crash, no move
  EXPECT_POINT_EQ(CGPointMake(3, 4), layer->position());
  EXPECT_TRUE(copy->isDone());
}

}  // namespace
