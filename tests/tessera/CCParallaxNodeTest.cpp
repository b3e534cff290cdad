// The parallax node: children placed at -p + p * ratio + offset for the
// absolute position p, lazily at visit, and the bookkeeping of entries as
// children come and go; and where the director draws them as the node
// scrolls.

#include "tessera/CCParallaxNode.h"

#include "../support/TestSupport.h"
#include "OffscreenTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCScheduler.h"
#include "tessera/CGPointObject.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string text(CGPoint point) { return NSStringFromCGPoint(point); }
#define EXPECT_POINT(expected, actual) EXPECT_EQ(text(expected), text(actual))

class CCParallaxNodeTest : public testing::Test {
 protected:
  void TearDown() override {
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }
  platform::AutoreleasePool pool_;
};

TEST_F(CCParallaxNodeTest, ChildrenMoveByTheirRatioOfTheNodesMovement) {
  CCParallaxNode* parallax = CCParallaxNode::node();
  CCNode* half = CCNode::node();
  CCNode* with = CCNode::node();
  CCNode* fixed = CCNode::node();
  parallax->addChild(half, 0, CGPointMake(0.5f, 1), CGPointMake(10, 0));
  parallax->addChild(with, 1, CGPointMake(1, 1), CGPointMake(3, 4));
  parallax->addChild(fixed, -1, CGPointMake(0, 0), CGPointMake(7, 8));
  EXPECT_POINT(CGPointMake(10, 0), half->position());
  EXPECT_EQ(-1, fixed->zOrder());

  parallax->visit();  // at (0, 0): differs from the initial last position
  EXPECT_POINT(CGPointMake(10, 0), half->position());

  parallax->setPosition(CGPointMake(100, 0));
  EXPECT_POINT(CGPointMake(10, 0), half->position()) << "placed lazily, at the next visit";
  parallax->visit();
  EXPECT_POINT(CGPointMake(-40, 0), half->position()) << "on screen it moved by 50";
  EXPECT_POINT(CGPointMake(3, 4), with->position()) << "ratio 1 moves with the node";
  EXPECT_POINT(CGPointMake(-93, 8), fixed->position()) << "ratio 0 stays put on screen: 100 - 93 = 7";
}

TEST_F(CCParallaxNodeTest, MovingAnAncestorReplacesTheChildren) {
  CCNode* world = CCNode::node();
  CCNode* camera = CCNode::node();
  CCParallaxNode* parallax = CCParallaxNode::node();
  world->addChild(camera);
  camera->addChild(parallax);
  CCNode* child = CCNode::node();
  parallax->addChild(child, 0, CGPointMake(0.25f, 0.5f), CGPointZero);

  world->setPosition(CGPointMake(40, 20));
  camera->setPosition(CGPointMake(-80, 60));
  EXPECT_POINT(CGPointMake(-40, 80), parallax->absolutePosition());
  parallax->visit();
  EXPECT_POINT(CGPointMake(40 - 10, -80 + 40), child->position());

  // An unchanged absolute position places nothing: the child keeps what it
  // was given in between.
  child->setPosition(CGPointMake(1, 1));
  parallax->visit();
  EXPECT_POINT(CGPointMake(1, 1), child->position()) << "no movement, no placement";
}

TEST_F(CCParallaxNodeTest, TheFirstVisitAtMinusOneHundredPlacesNothing) {
  CCParallaxNode* parallax = CCParallaxNode::node();
  parallax->setPosition(CGPointMake(-100, -100));
  CCNode* child = CCNode::node();
  parallax->addChild(child, 0, CGPointMake(0.5f, 0.5f), CGPointZero);
  EXPECT_POINT(CGPointMake(-50, -50), child->position());
  child->setPosition(CGPointMake(5, 5));
  parallax->visit();
  EXPECT_POINT(CGPointMake(5, 5), child->position());
}

TEST_F(CCParallaxNodeTest, RemovingChildrenDropsTheirEntries) {
  CCParallaxNode* parallax = CCParallaxNode::node();
  CCNode* a = CCNode::node();
  CCNode* b = CCNode::node();
  CCNode* c = CCNode::node();
  for (CCNode* child : {a, b, c}) parallax->addChild(child, 0, CGPointMake(1, 1), CGPointZero);
  ASSERT_EQ(3u, parallax->parallaxArray()->num);

  b->removeFromParentAndCleanup(true);
  ASSERT_EQ(2u, parallax->parallaxArray()->num);
  EXPECT_EQ(a, static_cast<CGPointObject*>(parallax->parallaxArray()->arr[0])->child()) << "order kept";
  EXPECT_EQ(c, static_cast<CGPointObject*>(parallax->parallaxArray()->arr[1])->child());

  // A child added without parallax parameters (through the base class) has
  // no entry: removing it removes nothing else.
  CCNode* plain = CCNode::node();
  parallax->CCNode::addChild(plain, 0, 5);
  parallax->removeChild(plain, true);
  EXPECT_EQ(nullptr, plain->parent());
  EXPECT_EQ(2u, parallax->parallaxArray()->num);

  parallax->removeAllChildrenWithCleanup(true);
  EXPECT_EQ(0u, parallax->parallaxArray()->num);
  EXPECT_EQ(nullptr, a->parent());
  parallax->setPosition(CGPointMake(9, 9));
  parallax->visit();  // no stale entries left to place
}

TEST_F(CCParallaxNodeTest, OrdinaryAddChildIsRefused) {
  testing_support::AssertionRecorder assertions;
  CCParallaxNode* parallax = CCParallaxNode::node();
  CCNode* child = CCNode::node();
  parallax->addChild(child, 0, 3);
  parallax->addChild(child);
  parallax->addChild(nullptr, 0, CGPointMake(1, 1), CGPointZero);
  EXPECT_THAT(assertions.messages(),
              testing::ElementsAre("ParallaxNode: use addChild:z:parallaxRatio:positionOffset instead",
                                   "ParallaxNode: use addChild:z:parallaxRatio:positionOffset instead",
                                   "Argument must be non-nil"));
  EXPECT_EQ(nullptr, child->parent());
  EXPECT_EQ(0u, parallax->parallaxArray()->num);
  EXPECT_THAT(assertions.files(), testing::Each(std::string("libs/tessera/CCParallaxNode.cpp")));
}

TEST_F(CCParallaxNodeTest, ChildrenKeepTheirTag) {
  CCParallaxNode* parallax = CCParallaxNode::node();
  CCNode* child = CCNode::node();
  child->setTag(42);
  parallax->addChild(child, 3, CGPointMake(1, 1), CGPointZero);
  EXPECT_EQ(child, parallax->getChildByTag(42));
  EXPECT_EQ(3, child->zOrder());
}

}  // namespace

// [SECTION] Drawn through the director

namespace {

using offscreen_test::Rgba;

class CCParallaxNodeDrawTest : public offscreen_test::OffscreenTest {};

TEST_F(CCParallaxNodeDrawTest, ChildrenAreDrawnWhereTheirRatioOfTheScrollPutsThem) {
  const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, clear{0, 0, 0, 255};
  CCParallaxNode* parallax = CCParallaxNode::node();
  parallax->addChild(solidSprite(20, red, CGPointZero), 0, CGPointMake(0.5f, 1), CGPointMake(100, 100));
  parallax->addChild(solidSprite(20, blue, CGPointZero), 1, CGPointMake(1, 1), CGPointMake(200, 100));
  scene()->addChild(parallax);

  offscreen_test::Frame frame = drawFrame();
  EXPECT_EQ(frame.at(100, 100), red);
  EXPECT_EQ(frame.at(200, 100), blue);

  // Scrolled by (-80, 40): the half-ratio child moves (-40, 40) on screen
  // (p × ratio), the full-ratio one the whole (-80, 40).
  parallax->setPosition(CGPointMake(-80, 40));
  frame = drawFrame();
  EXPECT_EQ(frame.at(60, 140), red);
  EXPECT_EQ(frame.at(120, 140), blue);
  EXPECT_TRUE(offscreen_test::near(frame.at(100, 100), clear, 0, 3));
  EXPECT_TRUE(offscreen_test::near(frame.at(200, 100), clear, 0, 3));
}

}  // namespace
