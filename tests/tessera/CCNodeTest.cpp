#include "tessera/CCNode.h"

#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCAction.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCScheduler.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using platform::Ref;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::vector<std::string> g_trace;

// A node that records drawing, lifecycle, callbacks and its destruction.
class Recorder : public CCNode {
  PLATFORM_CLASS(Recorder, CCNode)
 public:
  CC_NODE_FACTORY(Recorder)
  using CCNode::addChild;

  // Owned by the caller (count 1, not autoreleased).
  static Recorder* owned(std::string name) {
    auto* node = new Recorder();
    node->init();
    node->name_ = std::move(name);
    return node;
  }
  static Recorder* named(std::string name) { return platform::autoreleased(owned(std::move(name))); }
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override {
    note("addChild");
    CCNode::addChild(child, z, tag);
  }
  void draw() override { note("draw"); }
  void onEnter() override { note(parent_ && parent_->isRunning() ? "onEnter, parent running" : "onEnter"); CCNode::onEnter(); }
  void onEnterTransitionDidFinish() override { note("didFinish"); CCNode::onEnterTransitionDidFinish(); }
  void onExit() override { note(parent_ && parent_->isRunning() ? "onExit, parent running" : "onExit"); CCNode::onExit(); }
  void cleanup() override { note("cleanup"); CCNode::cleanup(); }
  void tick(float) { note("tick"); }
  void update(float) override { note("update"); }

  bool cachesClean() const { return !isTransformDirty_ && !isInverseDirty_ && !isTransformGLDirty_; }

 protected:
  ~Recorder() override { note("dealloc"); }

 private:
  void note(const char* what) { g_trace.push_back(name_ + " " + what); }
  std::string name_;
};

const platform::Selector kTick = CC_SEL(Recorder::tick);

// An action that never finishes and counts its steps.
class CountingAction : public CCAction {
  PLATFORM_CLASS(CountingAction, CCAction)
 public:
  bool isDone() const override { return false; }
  void step(float) override { ++steps_; }
  int steps_ = 0;
};

class RecordingGrid : public CCGridBase {
  PLATFORM_CLASS(RecordingGrid, CCGridBase)
 public:
  bool active() const override { return true; }
  void beforeDraw() override { g_trace.push_back("grid before"); }
  void afterDraw(CCNode*) override { g_trace.push_back("grid after"); }
};

// Where a point of `node` lands in its parent (pixels), from its properties:
// position + (anchor unless relative) + R * S * (p - anchor), R turning
// clockwise with y up. Independent of the affine helpers.
CGPoint byHand(const CCNode* node, CGPoint p) {
  double theta = node->rotation() * M_PI / 180.0;
  CGPoint anchor = node->anchorPointInPixels(), origin = node->positionInPixels();
  double x = (p.x - anchor.x) * node->scaleX(), y = (p.y - anchor.y) * node->scaleY();
  if (!node->isRelativeAnchorPoint()) origin = CGPointMake(origin.x + anchor.x, origin.y + anchor.y);
  return CGPointMake(float(origin.x + x * std::cos(theta) + y * std::sin(theta)),
                     float(origin.y - x * std::sin(theta) + y * std::cos(theta)));
}

#define EXPECT_POINT_NEAR(expected, actual, tolerance) \
  EXPECT_PRED_FORMAT3(pointNear, expected, actual, tolerance)

testing::AssertionResult pointNear(const char*, const char* actualText, const char*, CGPoint e, CGPoint a, float tolerance) {
  if (std::fabs(e.x - a.x) <= tolerance && std::fabs(e.y - a.y) <= tolerance) return testing::AssertionSuccess();
  return testing::AssertionFailure() << actualText << " is (" << a.x << ", " << a.y << "), expected (" << e.x << ", " << e.y << ")";
}

class CCNodeTest : public testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    ccSetContentScaleFactor(1.0f);
  }
  void TearDown() override {
    ccSetContentScaleFactor(1.0f);
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }
  static void tick() { CCScheduler::sharedScheduler()->tick(0.1f); }
  // A running root, as the director's scene would be.
  static Recorder* runningScene() {
    Recorder* scene = Recorder::named("S");
    scene->onEnter();
    g_trace.clear();
    return scene;
  }
};

// [SECTION] Children

TEST_F(CCNodeTest, VisitDrawsNegativeZThenSelfThenTheRestInInsertionOrder) {
  Recorder* parent = Recorder::named("P");
  EXPECT_EQ(parent->children(), nullptr);
  for (auto [name, z] : {std::pair{"A", 0}, {"B", -1}, {"C", 0}, {"D", 2}, {"E", -1}})
    parent->addChild(Recorder::named(name), z);
  g_trace.clear();

  parent->visit();
  EXPECT_THAT(g_trace, ElementsAre("B draw", "E draw", "P draw", "A draw", "C draw", "D draw"));
}

TEST_F(CCNodeTest, ReorderGoesAfterSiblingsWithTheSameZAndIgnoresOtherParentsChildren) {
  Recorder* parent = Recorder::named("P");
  Recorder* other = Recorder::named("X");
  Recorder* a = Recorder::named("A");
  parent->addChild(a, 0, 7);
  parent->addChild(Recorder::named("B"), 1);
  parent->addChild(Recorder::named("C"), 1);
  other->addChild(Recorder::named("Y"));
  parent->reorderChild(a, 1);
  g_trace.clear();

  other->reorderChild(a, -4);
  other->removeChild(a, true);
  other->removeChild(nullptr, true);
  other->removeChildByTag(7, true);
  parent->visit();
  EXPECT_THAT(g_trace, ElementsAre("P draw", "B draw", "C draw", "A draw"));
  EXPECT_TRUE(a->zOrder() == 1 && a->tag() == 7 && a->parent() == parent);
  EXPECT_EQ(other->children()->count(), 1u);
}

TEST_F(CCNodeTest, ShortAddChildFormsGoThroughTheOverriddenDesignatedForm) {
  Recorder* parent = Recorder::named("P");
  Recorder* child = Recorder::named("C");
  child->setTag(5);
  parent->addChild(child, 3);
  EXPECT_EQ(parent->getChildByTag(5), child);

  parent->removeChild(child, false);  // keeps z 3 and tag 5
  static_cast<CCNode*>(parent)->addChild(child);
  EXPECT_EQ(child->zOrder(), 3);
  EXPECT_EQ(child->tag(), 5);
  EXPECT_THAT(g_trace, ElementsAre("P addChild", "P addChild"));
  EXPECT_THAT(child->description(), testing::MatchesRegex("<Recorder = [0-9A-F]{8,} \\| Tag = 5>"));
}

TEST_F(CCNodeTest, RemoveMayDestroyTheChildAndDeallocClearsLinksWithoutCleanup) {
  Recorder* parent = Recorder::owned("P");
  Recorder* doomed = Recorder::owned("D");
  Ref<Recorder> kept(Recorder::named("K"));
  Ref<CCCamera> camera(parent->camera());
  parent->addChild(doomed, 0, 3);
  parent->addChild(kept);
  doomed->release();  // the parent holds the only reference
  g_trace.clear();

  parent->removeChildByTag(3, true);
  EXPECT_THAT(g_trace, ElementsAre("D cleanup", "D dealloc"));
  parent->release();
  EXPECT_EQ(kept->parent(), nullptr);
  EXPECT_EQ(camera->retainCount(), 1u);
  EXPECT_THAT(g_trace, ElementsAre("D cleanup", "D dealloc", "P dealloc"));
}

// [SECTION] Lifecycle, scheduling and actions

TEST_F(CCNodeTest, ChildrenEnterBeforeTheirParentRunsAndExitAfterItStops) {
  Recorder* parent = Recorder::named("P");
  Recorder* child = Recorder::named("C");
  parent->addChild(child);
  child->addChild(Recorder::named("G"));
  g_trace.clear();  // adding to nodes that are not running sent nothing else

  parent->onEnter();
  EXPECT_TRUE(child->isRunning());
  parent->onExit();
  EXPECT_THAT(g_trace, ElementsAre("P onEnter", "C onEnter", "G onEnter", "P onExit", "C onExit", "G onExit"));

  Recorder* scene = runningScene();
  scene->addChild(Recorder::named("N"));
  scene->removeAllChildrenWithCleanup(true);
  EXPECT_THAT(g_trace, ElementsAre("S addChild", "N onEnter, parent running", "N didFinish",
                                   "N onExit, parent running", "N cleanup"));
  EXPECT_EQ(scene->children()->count(), 0u);
}

TEST_F(CCNodeTest, DetachedNodeKeepsPausedCallbacksUntilCleanup) {
  Recorder* scene = runningScene();
  Recorder* node = Recorder::named("N");
  node->schedule(kTick);
  node->scheduleUpdate();
  auto* action = platform::createAutoreleased<CountingAction>([](CountingAction& a) { return a.init(); });
  EXPECT_EQ(node->runAction(action), action);
  tick();
  EXPECT_THAT(g_trace, IsEmpty());  // registered paused: the node is not running
  EXPECT_EQ(action->steps_, 0);

  for (int round = 1; round <= 2; ++round) {
    scene->addChild(node);
    g_trace.clear();
    tick();
    EXPECT_THAT(g_trace, ElementsAre("N update", "N tick"));
    EXPECT_EQ(action->steps_, round);

    scene->removeChild(node, false);  // the scheduler keeps it alive, paused
    g_trace.clear();
    tick();
    EXPECT_THAT(g_trace, IsEmpty());
    EXPECT_EQ(node->numberOfRunningActions(), 1u);
  }

  scene->addChild(node);
  scene->removeChild(node, true);
  EXPECT_EQ(node->numberOfRunningActions(), 0u);
  scene->addChild(node);
  g_trace.clear();
  tick();
  EXPECT_THAT(g_trace, IsEmpty());
}

TEST_F(CCNodeTest, HiddenSubtreeDrawsNothingButKeepsRunningAndActiveGridWrapsDrawing) {
  Recorder* scene = runningScene();
  Recorder* hidden = Recorder::named("H");
  Recorder* child = Recorder::named("C");
  scene->addChild(hidden);
  hidden->addChild(child);
  child->schedule(kTick);
  hidden->setVisible(false);
  g_trace.clear();
  scene->visit();
  tick();
  EXPECT_THAT(g_trace, ElementsAre("S draw", "C tick"));

  hidden->setVisible(true);
  hidden->setGrid(platform::autoreleased(new RecordingGrid()));
  g_trace.clear();
  hidden->visit();
  EXPECT_THAT(g_trace, ElementsAre("grid before", "H draw", "C draw", "grid after"));
}

TEST_F(CCNodeTest, MisuseFailsTheDocumentedAssertionsAndChangesNothing) {
  testing_support::AssertionRecorder assertions;
  Recorder* scene = runningScene();
  Recorder* child = Recorder::named("C");
  Recorder* other = Recorder::named("X");
  scene->addChild(child);

  scene->addChild(nullptr);
  other->addChild(child, 0, 1);
  EXPECT_EQ(scene->getChildByTag(-1), nullptr);
  scene->removeChildByTag(-1, true);
  child->stopActionByTag(-1);
  EXPECT_EQ(child->getActionByTag(-1), nullptr);
  child->schedule(kTick, -1.0f);
  child->schedule(kTick, std::numeric_limits<float>::quiet_NaN());
  child->schedule(platform::Selector(), 1.0f);
  EXPECT_EQ(child->runAction(nullptr), nullptr);
  scene->reorderChild(nullptr, 1);
  child->setScaleX(2.0f);
  EXPECT_EQ(child->scale(), 2.0f);

  EXPECT_THAT(assertions.messages(),
              ElementsAre("Argument must be non-nil", "child already added. It can't be added again",
                          "Invalid tag", "Invalid tag", "Invalid tag", "Invalid tag",
                          "Arguemnt must be positive", "Arguemnt must be positive",
                          "Argument must be non-nil", "Argument must be non-nil", "Child must be non-nil",
                          "CCNode#scale. ScaleX != ScaleY. Don't know which one to return"));
  for (const auto& file : assertions.files()) EXPECT_EQ(file, "libs/tessera/CCNode.cpp");
  EXPECT_EQ(child->parent(), scene);
  EXPECT_EQ(other->children(), nullptr);
  g_trace.clear();
  tick();
  EXPECT_THAT(g_trace, IsEmpty());  // no timer was scheduled
}

// [SECTION] Transforms

TEST_F(CCNodeTest, AnchorPointLandsOnThePositionUnlessNotRelative) {
  Recorder* node = Recorder::named("N");
  node->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  node->setContentSize(CGSizeMake(100, 50));
  node->setPosition(CGPointMake(200, 100));
  EXPECT_POINT_NEAR(CGPointMake(150, 75), node->boundingBox().origin, 0.0f);
  EXPECT_POINT_NEAR(CGPointMake(0, 0), node->convertToNodeSpaceAR(CGPointMake(200, 100)), 0.0f);
  EXPECT_POINT_NEAR(CGPointMake(200, 100), node->convertToWorldSpaceAR(CGPointZero), 0.0f);

  node->setIsRelativeAnchorPoint(false);
  EXPECT_POINT_NEAR(CGPointMake(200, 100), node->boundingBox().origin, 0.0f);

  node->setIsRelativeAnchorPoint(true);
  node->setRotation(90);  // clockwise: the anchor's right neighbour goes below the position
  EXPECT_POINT_NEAR(CGPointMake(200, 99),
                    CGPointApplyAffineTransform(CGPointMake(51, 25), node->nodeToParentTransform()), 1e-4f);
}

// Each level exercises other steps of the composition: rotation with uniform
// scale, an anchored rotation, a mirrored non-relative anchor.
TEST_F(CCNodeTest, WorldTransformsMatchTheComposedByHandThroughThreeLevels) {
  Recorder* root = Recorder::named("R");
  Recorder* mid = Recorder::named("M");
  Recorder* leaf = Recorder::named("L");
  root->addChild(mid);
  mid->addChild(leaf);
  root->setPosition(CGPointMake(10, 20));
  root->setRotation(30);
  root->setScale(2);
  mid->setContentSize(CGSizeMake(10, 10));
  mid->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  mid->setRotation(-120);
  leaf->setContentSize(CGSizeMake(40, 30));
  leaf->setAnchorPoint(CGPointMake(0.25f, 1));
  leaf->setIsRelativeAnchorPoint(false);
  leaf->setPosition(CGPointMake(3, 4));
  leaf->setScaleX(-1);
  leaf->setScaleY(0.5f);

  for (CGPoint midPosition : {CGPointMake(5, 5), CGPointMake(-6, 2)}) {  // the second catches stale caches
    mid->setPosition(midPosition);
    for (CGPoint p : {CGPointMake(0, 0), CGPointMake(40, 0), CGPointMake(13, -7)}) {
      CGPoint world = leaf->convertToWorldSpace(p);
      EXPECT_POINT_NEAR(byHand(root, byHand(mid, byHand(leaf, p))), world, 1e-3f);
      EXPECT_POINT_NEAR(p, leaf->convertToNodeSpace(world), 1e-3f);
    }
  }
}

TEST_F(CCNodeTest, ContentScaleFactorKeepsPixelsInTransformsAndPointsOutside) {
  ccSetContentScaleFactor(2.0f);
  Recorder* root = Recorder::named("R");
  Recorder* child = Recorder::named("C");
  root->addChild(child);
  root->setPosition(CGPointMake(10, 20));
  root->setScale(2);
  child->setPosition(CGPointMake(5, 0));
  child->setContentSize(CGSizeMake(100, 50));
  child->setVertexZ(5);

  EXPECT_POINT_NEAR(CGPointMake(20, 40), root->positionInPixels(), 0.0f);
  EXPECT_EQ(child->vertexZ(), 10.0f);
  EXPECT_POINT_NEAR(CGPointMake(22, 22), child->convertToWorldSpace(CGPointMake(1, 1)), 1e-4f);
  EXPECT_POINT_NEAR(CGPointMake(1, 1), child->convertToNodeSpace(CGPointMake(22, 22)), 1e-4f);
  EXPECT_EQ(child->boundingBox().size.width, 100.0f);
  EXPECT_EQ(child->boundingBoxInPixels().size.width, 200.0f);

  child->setPositionInPixels(CGPointMake(30, 8));
  child->setContentSizeInPixels(CGSizeMake(20, 10));
  child->setAnchorPoint(CGPointMake(1, 1));
  EXPECT_POINT_NEAR(CGPointMake(15, 4), child->position(), 0.0f);
  EXPECT_POINT_NEAR(CGPointMake(20, 10), child->anchorPointInPixels(), 0.0f);
}

TEST_F(CCNodeTest, OnlyRealChangesMarkTheTransformCachesDirty) {
  Recorder* node = Recorder::named("N");
  node->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  node->setContentSize(CGSizeMake(10, 10));
  node->visit();  // computes the transform and its GL matrix
  node->parentToNodeTransform();
  ASSERT_TRUE(node->cachesClean());

  node->setAnchorPoint(CGPointMake(0.5f, 0.5f));
  node->setContentSize(CGSizeMake(10, 10));
  node->setVertexZ(3);
  node->setTag(4);
  EXPECT_TRUE(node->cachesClean());

  node->setContentSize(CGSizeMake(20, 10));  // the anchor in pixels follows the size
  EXPECT_FALSE(node->cachesClean());
  CGAffineTransform t = node->nodeToParentTransform();
  EXPECT_POINT_NEAR(CGPointMake(-10, -5), CGPointMake(t.tx, t.ty), 0.0f);
}

}  // namespace
