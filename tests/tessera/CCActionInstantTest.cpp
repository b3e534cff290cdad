// Instant actions: effects at start, timing inside sequences, repeats and
// spawns, callbacks and the safety of callbacks that tear down their own
// node or action, copies and reverses.

#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCCallBlock.h"
#include "tessera/CCCallBlockN.h"
#include "tessera/CCCallFunc.h"
#include "tessera/CCCallFuncN.h"
#include "tessera/CCCallFuncND.h"
#include "tessera/CCCallFuncO.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCFlipX.h"
#include "tessera/CCFlipY.h"
#include "tessera/CCHide.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCNode.h"
#include "tessera/CCPlace.h"
#include "tessera/CCRepeat.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSequence.h"
#include "tessera/CCShow.h"
#include "tessera/CCSpawn.h"
#include "tessera/CCSprite.h"
#include "tessera/CCToggleVisibility.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Ref;
using testing::ElementsAre;

namespace {

constexpr float kFrame = 1.0f / 64;  // exact in binary, so frame counts are exact

/// Receives the callbacks and writes a transcript with the current frame.
class Receiver : public platform::Object {
  PLATFORM_CLASS(Receiver, platform::Object)
 public:
  void ping() { trace.push_back("ping@" + std::to_string(frame)); }
  void gotNode(CCNode* node) {
    trace.push_back("node@" + std::to_string(frame));
    lastNode = node;
  }
  void gotData(CCNode* node, void* data) {
    lastNode = node;
    lastData = data;
    trace.push_back("data@" + std::to_string(frame));
  }
  void gotObject(platform::Object* object) {
    lastObject = object;
    trace.push_back("object@" + std::to_string(frame));
  }
  // Stops every action of the node it is given, the calling one included.
  void stopAll(CCNode* node) {
    node->stopAllActions();
    trace.push_back("stopAll@" + std::to_string(frame));
  }
  // Removes the node from its parent with cleanup.
  void removeNode(CCNode* node) {
    node->removeFromParentAndCleanup(true);
    trace.push_back("remove@" + std::to_string(frame));
  }

  std::vector<std::string> trace;
  int frame = 0;
  CCNode* lastNode = nullptr;
  void* lastData = nullptr;
  platform::Object* lastObject = nullptr;
};

class CCActionInstantTest : public testing::Test {
 protected:
  void SetUp() override { receiver_ = Ref<Receiver>::adopt(new Receiver()); }
  void TearDown() override {
    receiver_ = nullptr;
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }

  /// A node in a running parent.
  CCNode* runningNode() {
    parent_ = CCNode::node();
    parent_->onEnter();
    CCNode* node = CCNode::node();
    parent_->addChild(node);
    return node;
  }

  /// One frame: the receiver's frame number goes up, then the scheduler ticks.
  void tick(int frames = 1) {
    for (int i = 0; i < frames; ++i) {
      ++receiver_->frame;
      CCScheduler::sharedScheduler()->tick(kFrame);
    }
  }

  CCCallBlock* record(const std::string& what) {
    Receiver* receiver = receiver_.get();
    return CCCallBlock::actionWithBlock([receiver, what] {
      receiver->trace.push_back(what + "@" + std::to_string(receiver->frame));
    });
  }

  Ref<Receiver> receiver_;
  Ref<CCNode> parent_;
};

// [SECTION] Effects

TEST_F(CCActionInstantTest, HideActsInsideRunActionEvenWhenPausedAndLeavesAfterOneFrame) {
  CCNode* node = CCNode::node();  // not running: its actions are added paused
  node->runAction(CCHide::action());
  EXPECT_FALSE(node->visible());
  EXPECT_EQ(1u, node->numberOfRunningActions());
  tick();
  EXPECT_EQ(1u, node->numberOfRunningActions());  // paused: not stepped
  node->onEnter();
  tick();
  EXPECT_EQ(0u, node->numberOfRunningActions());
  node->onExit();
}

TEST_F(CCActionInstantTest, VisibilityFlipAndPlaceSetTheirProperty) {
  CCSprite* sprite = CCSprite::node();
  sprite->runAction(CCSequence::actions({CCHide::action(), CCShow::action(), CCToggleVisibility::action(),
                                         CCToggleVisibility::action()}));
  EXPECT_TRUE(sprite->visible());  // hidden, shown, toggled twice: unchanged
  sprite->runAction(CCSpawn::actions({CCFlipX::actionWithFlipX(true), CCFlipY::actionWithFlipY(true),
                                      CCPlace::actionWithPosition(CGPointMake(7, -3))}));
  EXPECT_TRUE(sprite->flipX());
  EXPECT_TRUE(sprite->flipY());
  // The inner spawn of the flips has the smallest interval as duration, so
  // the placement is padded into a sequence and acts at the first step.
  EXPECT_EQ(0, sprite->position().x);
  sprite->onEnter();
  tick();
  EXPECT_EQ(7, sprite->position().x);
  EXPECT_EQ(-3, sprite->position().y);
  sprite->onExit();

  // On a plain node the flips change nothing and do not fail.
  CCNode* node = CCNode::node();
  node->runAction(CCFlipX::actionWithFlipX(true));
  EXPECT_EQ(1u, node->numberOfRunningActions());
}

// [SECTION] Timing inside containers

TEST_F(CCActionInstantTest, CallbackAfterADelayGetsTheNodeInTheFrameTheDelayEnds) {
  CCNode* node = runningNode();
  node->runAction(CCSequence::actions(
      {CCDelayTime::actionWithDuration(0.25f), CCCallFuncN::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotNode))}));
  tick(20);
  // Frame 1 starts the clock; 16 frames of 1/64 s later (frame 17) t is 1.
  EXPECT_THAT(receiver_->trace, ElementsAre("node@17"));
  EXPECT_EQ(node, receiver_->lastNode);
}

TEST_F(CCActionInstantTest, InstantActionsFireOncePerPassInOrderWithTheIntervalsAroundThem) {
  CCNode* node = runningNode();
  Receiver* receiver = receiver_.get();
  CCCallBlockN* where = CCCallBlockN::actionWithBlock([receiver](CCNode* n) {
    receiver->trace.push_back("x=" + std::to_string(static_cast<int>(n->position().x)) + "@" +
                              std::to_string(receiver->frame));
  });
  CCFiniteTimeAction* pass = CCSequence::actions({record("begin"), CCMoveBy::actionWithDuration(0.125f, CGPointMake(8, 0)),
                                                  where, CCPlace::actionWithPosition(CGPointMake(100, 0)),
                                                  CCMoveBy::actionWithDuration(0.125f, CGPointMake(8, 0)),
                                                  record("end")});
  node->runAction(CCRepeat::actionWithAction(pass, 3));
  tick(60);
  // Each pass is 16 frames (0.25 s): begin at its start, the position read
  // after the first move (8 frames), the end in its last frame.
  EXPECT_THAT(receiver_->trace,
              ElementsAre("begin@1", "x=8@9", "end@17", "begin@17", "x=116@25", "end@33", "begin@33", "x=116@41",
                          "end@49"));
  EXPECT_EQ(108, node->position().x);
  EXPECT_EQ(0u, node->numberOfRunningActions());
}

TEST_F(CCActionInstantTest, InstantInASpawnActsAtTheFirstStepAndOnlyOnce) {
  CCNode* node = runningNode();
  node->runAction(CCSpawn::actions({record("spawned"), CCMoveBy::actionWithDuration(0.25f, CGPointMake(1, 0))}));
  EXPECT_TRUE(receiver_->trace.empty());
  tick(20);
  EXPECT_THAT(receiver_->trace, ElementsAre("spawned@1"));
}

// [SECTION] Callbacks

TEST_F(CCActionInstantTest, CallbackVariantsPassWhatTheyWereGiven) {
  CCNode* node = runningNode();
  int payload = 42;
  CCNode* argument = CCNode::node();
  node->runAction(CCSequence::actions({CCCallFunc::actionWithTarget(receiver_.get(), CC_SEL(Receiver::ping)),
                                       CCCallFuncND::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotData), &payload),
                                       CCCallFuncO::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotObject), argument)}));
  tick(2);
  // A sequence of instants only: its duration is the smallest interval, so
  // the first pair acts at the first step and the last at the second.
  EXPECT_THAT(receiver_->trace, ElementsAre("ping@1", "data@1", "object@2"));
  EXPECT_EQ(&payload, receiver_->lastData);
  EXPECT_EQ(42, payload);
  EXPECT_EQ(node, receiver_->lastNode);
  EXPECT_EQ(argument, receiver_->lastObject);
}

TEST_F(CCActionInstantTest, CallFuncNDMethodCanBeReplacedAndIsCopied) {
  static CCNode* seen = nullptr;
  CCCallFuncND* call = CCCallFuncND::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotData), nullptr);
  call->setCallbackMethod([](platform::Object*, const platform::Selector& selector, CCNode* node, void*) {
    EXPECT_STREQ("gotData:data:", selector.name());
    seen = node;
  });
  auto copy = Ref<CCCallFuncND>::adopt(call->copy());
  CCNode* node = CCNode::node();
  copy->startWithTarget(node);
  EXPECT_EQ(node, seen);
  EXPECT_TRUE(receiver_->trace.empty());
}

TEST_F(CCActionInstantTest, CallbacksRetainWhatTheyCallAndPass) {
  platform::Object* argument = new platform::Object();
  {
    Ref<CCCallFuncO> call = CCCallFuncO::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotObject), argument);
    EXPECT_EQ(2, argument->retainCount());
    EXPECT_EQ(2, receiver_->retainCount());  // the test's reference and the action's
    EXPECT_EQ(receiver_.get(), call->targetCallback());
  }
  argument->release();
}

TEST_F(CCActionInstantTest, CallbackThatStopsItsOwnActionsMidSequenceIsSafe) {
  CCNode* node = runningNode();
  node->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.125f),
                                       CCCallFuncN::actionWithTarget(receiver_.get(), CC_SEL(Receiver::stopAll)),
                                       record("never")}));
  node->runAction(CCMoveBy::actionWithDuration(1, CGPointMake(64, 0)));
  tick(30);
  // The sequence is removed from the manager, but its update of that frame
  // completes: the instant after the callback, at the same time, still acts.
  // Nothing runs in later frames.
  EXPECT_THAT(receiver_->trace, ElementsAre("stopAll@9", "never@9"));
  EXPECT_EQ(0u, node->numberOfRunningActions());
  EXPECT_LT(node->position().x, 10);  // the move stopped with the rest
}

TEST_F(CCActionInstantTest, CallbackThatRemovesItsOwnNodeIsSafe) {
  CCNode* node = runningNode();
  node->runAction(CCCallFuncN::actionWithTarget(receiver_.get(), CC_SEL(Receiver::removeNode)));
  // Removed and cleaned up inside runAction itself: only the pool holds the
  // node now, and the action manager has no entry left for it.
  EXPECT_THAT(receiver_->trace, ElementsAre("remove@0"));
  EXPECT_EQ(nullptr, node->parent());
  tick(3);
  EXPECT_EQ(1u, receiver_->trace.size());

  CCNode* second = runningNode();
  second->runAction(CCSequence::actions({CCDelayTime::actionWithDuration(0.0625f),
                                         CCCallBlockN::actionWithBlock([](CCNode* n) { n->removeFromParentAndCleanup(true); }),
                                         record("never")}));
  tick(10);
  EXPECT_EQ(nullptr, second->parent());
  EXPECT_EQ(0u, second->numberOfRunningActions());
  EXPECT_THAT(receiver_->trace, ElementsAre("remove@0", "never@8"));  // frames 4 to 8
}

TEST_F(CCActionInstantTest, BlockThatStopsTheActionRunningItIsSafe) {
  CCNode* node = runningNode();
  CCNode* keep = node;
  node->runAction(CCCallBlock::actionWithBlock([keep] { keep->stopAllActions(); }));
  EXPECT_EQ(0u, node->numberOfRunningActions());
  tick(2);
}

// [SECTION] Copies, reverses, descriptions

TEST_F(CCActionInstantTest, CopiesKeepParametersButNotTheTag) {
  auto check = [](CCActionInstant* action) {
    action->setTag(9);
    auto copy = Ref<CCActionInstant>::adopt(action->copy());
    EXPECT_STREQ(action->className(), copy->className());
    EXPECT_EQ(-1, copy->tag()) << action->className();
    EXPECT_EQ(0, copy->duration());
    return copy;
  };
  check(CCShow::action());
  EXPECT_TRUE(static_cast<CCFlipX*>(check(CCFlipX::actionWithFlipX(true)).get())->flipX());
  EXPECT_EQ(5, static_cast<CCPlace*>(check(CCPlace::actionWithPosition(CGPointMake(5, 6))).get())->position().x);
  int data = 0;
  auto nd = check(CCCallFuncND::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotData), &data));
  EXPECT_EQ(&data, static_cast<CCCallFuncND*>(nd.get())->data());
  int calls = 0;
  auto block = check(CCCallBlock::actionWithBlock([&calls] { ++calls; }));
  block->startWithTarget(CCNode::node());
  EXPECT_EQ(1, calls);
}

TEST_F(CCActionInstantTest, ReversesUndoVisibilityAndFlipsAndRepeatTheRest) {
  EXPECT_STREQ("CCHide", CCShow::action()->reverse()->className());
  EXPECT_STREQ("CCShow", CCHide::action()->reverse()->className());
  EXPECT_STREQ("CCToggleVisibility", CCToggleVisibility::action()->reverse()->className());
  // The reverse of a flip to true is a flip to false, not a toggle.
  auto* unflip = static_cast<CCFlipX*>(CCFlipX::actionWithFlipX(true)->reverse());
  EXPECT_FALSE(unflip->flipX());
  EXPECT_TRUE(static_cast<CCFlipY*>(CCFlipY::actionWithFlipY(false)->reverse())->flipY());
  auto* place = static_cast<CCPlace*>(CCPlace::actionWithPosition(CGPointMake(3, 4))->reverse());
  EXPECT_STREQ("CCPlace", place->className());
  EXPECT_EQ(4, place->position().y);

  // A reversed sequence runs the reversed instants in reverse order.
  CCNode* node = CCNode::node();
  node->setVisible(false);
  CCFiniteTimeAction* sequence = CCSequence::actions({CCShow::action(), CCHide::action(), CCShow::action()});
  node->runAction(sequence->reverse());
  EXPECT_FALSE(node->visible());  // hide, show, hide
}

TEST_F(CCActionInstantTest, CallFuncDescriptionNamesTargetAndSelector) {
  CCCallFuncN* call = CCCallFuncN::actionWithTarget(receiver_.get(), CC_SEL(Receiver::gotNode));
  call->setTag(3);
  EXPECT_EQ("<CCCallFuncN = " + platform::addressString(call) + " | Tag = 3 | target = Receiver | selector = gotNode:>",
            call->description());
}

}  // namespace
