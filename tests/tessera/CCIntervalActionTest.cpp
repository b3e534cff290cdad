// Interval actions: end values, timing, composition, copy and reverse rules.

#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCBezierBy.h"
#include "tessera/CCBezierTo.h"
#include "tessera/CCBlink.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCFadeIn.h"
#include "tessera/CCFadeOut.h"
#include "tessera/CCFadeTo.h"
#include "tessera/CCJumpBy.h"
#include "tessera/CCJumpTo.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCMoveTo.h"
#include "tessera/CCNode.h"
#include "tessera/CCProtocols.h"
#include "tessera/CCRepeat.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCReverseTime.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCRotateTo.h"
#include "tessera/CCScaleBy.h"
#include "tessera/CCScaleTo.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSequence.h"
#include "tessera/CCSpawn.h"
#include "tessera/CCTintBy.h"
#include "tessera/CCTintTo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using platform::Ref;
using testing::ElementsAre;

namespace {

constexpr float kFrame = 1.0f / 60.0f;

/// A node with a colour and an opacity, as sprites and labels have.
class ColorNode : public CCNode, public CCRGBAProtocol {
  PLATFORM_CLASS(ColorNode, CCNode)
 public:
  CC_NODE_FACTORY(ColorNode)
  void setColor(const ccColor3B& color) override { color_ = color; }
  ccColor3B color() const override { return color_; }
  GLubyte opacity() const override { return opacity_; }
  void setOpacity(GLubyte opacity) override { opacity_ = opacity; }

  ccColor3B color_{100, 150, 200};
  GLubyte opacity_ = 100;
};

std::vector<std::string> g_trace;

std::string fraction(float t) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", t);
  return text;
}

/// Records the calls a container makes on it, under its name.
class TraceInterval : public CCActionInterval {
  PLATFORM_CLASS(TraceInterval, CCActionInterval)
 public:
  static TraceInterval* named(const char* name, float duration) {
    auto* action = platform::createAutoreleased<TraceInterval>(
        [&](TraceInterval& a) { return a.initWithDuration(duration); });
    action->name_ = name;
    return action;
  }
  void startWithTarget(platform::Object* target) override {
    g_trace.push_back(name_ + " start");
    CCActionInterval::startWithTarget(target);
  }
  void update(float t) override { g_trace.push_back(name_ + " update " + fraction(t)); }
  void stop() override {
    g_trace.push_back(name_ + " stop");
    CCActionInterval::stop();
  }
  std::string name_;
};

/// A zero-duration traced action, like an instant action.
CCFiniteTimeAction* traceInstant(const char* name) {
  TraceInterval* action = TraceInterval::named(name, 1);
  action->setDuration(0);
  return action;
}

// Subclasses that copies and reverses must keep.
class MyMoveBy : public CCMoveBy {
  PLATFORM_CLASS(MyMoveBy, CCMoveBy)
};
class MyScaleTo : public CCScaleTo {
  PLATFORM_CLASS(MyScaleTo, CCScaleTo)
};
class MySequence : public CCSequence {
  PLATFORM_CLASS(MySequence, CCSequence)
};
class MyRepeat : public CCRepeat {
  PLATFORM_CLASS(MyRepeat, CCRepeat)
};

#define EXPECT_POINT_EQ(expected, actual)         \
  do {                                            \
    CGPoint e_ = (expected), a_ = (actual);       \
    EXPECT_FLOAT_EQ(e_.x, a_.x) << "x";           \
    EXPECT_FLOAT_EQ(e_.y, a_.y) << "y";           \
  } while (0)

class CCIntervalActionTest : public testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
  void TearDown() override {
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
  }

  /// A node at (10, 20), rotation 30, scale 2, colour (100, 150, 200), opacity 100.
  static ColorNode* makeNode() {
    ColorNode* node = ColorNode::node();
    node->setPosition(CGPointMake(10, 20));
    node->setRotation(30);
    node->setScale(2);
    return node;
  }

  /// Starts `action` on `target` and steps it by `dt` until it is done.
  /// Returns the number of steps, the first (fraction 0) included.
  static int play(CCActionInterval* action, CCNode* target, float dt = kFrame) {
    action->startWithTarget(target);
    int steps = 0;
    do {
      action->step(dt);
      ++steps;
    } while (!action->isDone() && steps < 10000);
    return steps;
  }

  /// Ticks the scheduler at 60 frames per second until `node` has no actions.
  static int tickUntilIdle(CCNode* node) {
    int frames = 0;
    while (node->numberOfRunningActions() > 0 && frames < 10000) {
      CCScheduler::sharedScheduler()->tick(kFrame);
      ++frames;
    }
    return frames;
  }
};

// [SECTION] Every action ends exactly at its end value

struct EndValueCase {
  const char* name;
  std::function<CCActionInterval*()> make;
  std::function<void(ColorNode*)> expectEnd;
  bool firstStepKeepsTheNode = true;  // false where fraction 0 is not the start state
};

const EndValueCase kEndValueCases[] = {
    {"MoveTo", [] { return CCMoveTo::actionWithDuration(0.5f, CGPointMake(-3, 7)); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(-3, 7), n->position()); }},
    {"MoveBy", [] { return CCMoveBy::actionWithDuration(0.5f, CGPointMake(-3, 7)); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(7, 27), n->position()); }},
    {"JumpBy", [] { return CCJumpBy::actionWithDuration(0.5f, CGPointMake(40, 5), 30, 3); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(50, 25), n->position()); }},
    {"JumpTo", [] { return CCJumpTo::actionWithDuration(0.5f, CGPointMake(40, 5), 30, 3); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(40, 5), n->position()); }},
    {"BezierBy",
     [] { return CCBezierBy::actionWithDuration(0.5f, {{100, 0}, {0, 80}, {100, 80}}); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(110, 20), n->position()); }},
    {"BezierTo",
     [] { return CCBezierTo::actionWithDuration(0.5f, {{100, 0}, {0, 80}, {100, 80}}); },
     [](ColorNode* n) { EXPECT_POINT_EQ(CGPointMake(100, 0), n->position()); }},
    {"RotateTo", [] { return CCRotateTo::actionWithDuration(0.5f, -90); },
     [](ColorNode* n) { EXPECT_FLOAT_EQ(-90, n->rotation()); }},
    {"RotateBy", [] { return CCRotateBy::actionWithDuration(0.5f, 400); },
     [](ColorNode* n) { EXPECT_FLOAT_EQ(430, n->rotation()); }},
    {"ScaleTo", [] { return CCScaleTo::actionWithDuration(0.5f, 0.5f, 3); },
     [](ColorNode* n) {
       EXPECT_FLOAT_EQ(0.5f, n->scaleX());
       EXPECT_FLOAT_EQ(3, n->scaleY());
     }},
    {"ScaleBy", [] { return CCScaleBy::actionWithDuration(0.5f, 1.5f); },
     [](ColorNode* n) {
       EXPECT_FLOAT_EQ(3, n->scaleX());
       EXPECT_FLOAT_EQ(3, n->scaleY());
     }},
    {"FadeIn", [] { return CCFadeIn::actionWithDuration(0.5f); },
     [](ColorNode* n) { EXPECT_EQ(255, n->opacity()); }, false},
    {"FadeOut", [] { return CCFadeOut::actionWithDuration(0.5f); },
     [](ColorNode* n) { EXPECT_EQ(0, n->opacity()); }, false},
    {"FadeTo", [] { return CCFadeTo::actionWithDuration(0.5f, 7); },
     [](ColorNode* n) { EXPECT_EQ(7, n->opacity()); }},
    {"TintTo", [] { return CCTintTo::actionWithDuration(0.5f, 255, 0, 201); },
     [](ColorNode* n) { EXPECT_EQ(ccc3(255, 0, 201), n->color()); }},
    {"TintBy", [] { return CCTintBy::actionWithDuration(0.5f, 155, -150, -1); },
     [](ColorNode* n) { EXPECT_EQ(ccc3(255, 0, 199), n->color()); }},
};

class CCIntervalEndValueTest : public CCIntervalActionTest,
                               public testing::WithParamInterface<EndValueCase> {};

TEST_P(CCIntervalEndValueTest, SteppedByHandFirstStepAppliesZeroAndLastStepTheEndValue) {
  const EndValueCase& c = GetParam();
  ColorNode* node = makeNode();
  CCActionInterval* action = c.make();
  action->startWithTarget(node);
  action->step(0.25f);  // the first step applies 0 whatever dt is
  if (c.firstStepKeepsTheNode) {
    EXPECT_POINT_EQ(CGPointMake(10, 20), node->position());
    EXPECT_FLOAT_EQ(30, node->rotation());
    EXPECT_FLOAT_EQ(2, node->scaleX());
    EXPECT_EQ(100, node->opacity());
    EXPECT_EQ(ccc3(100, 150, 200), node->color());
  }
  int steps = 1;
  while (!action->isDone() && steps < 1000) {
    action->step(kFrame);
    ++steps;
  }
  EXPECT_GE(steps, 30);
  EXPECT_LE(steps, 32);
  c.expectEnd(node);
}

TEST_P(CCIntervalEndValueTest, RunOnARunningNodeEndsAtTheEndValueAndIsRemoved) {
  const EndValueCase& c = GetParam();
  ColorNode* node = makeNode();
  node->onEnter();
  node->runAction(c.make());
  EXPECT_LE(tickUntilIdle(node), 32);
  c.expectEnd(node);
}

INSTANTIATE_TEST_SUITE_P(CCIntervalEndValues, CCIntervalEndValueTest, testing::ValuesIn(kEndValueCases),
                         [](const auto& info) { return std::string(info.param.name); });

// [SECTION] Rotation, jumps, paths, blinking, colour

TEST_F(CCIntervalActionTest, RadarArmTurnsOneCirclePerSecondWithoutWrapping) {
  // Returns the arm's rotation after each frame: the first frame starts the
  // clock, the others last `frame` seconds and add up to 1.5 s.
  auto spin = [](float frame, int frames) {
    CCNode* arm = CCNode::node();
    arm->onEnter();
    arm->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(1.0f, 360)));
    std::vector<float> rotations;
    for (int i = 0; i <= frames; ++i) {
      CCScheduler::sharedScheduler()->tick(frame);
      rotations.push_back(arm->rotation());
    }
    return rotations;
  };
  // Frames of 1/64 s add up exactly: each cycle ends on a whole second.
  std::vector<float> exact = spin(1.0f / 64, 96);
  EXPECT_EQ(0, exact[0]);
  EXPECT_EQ(360, exact[64]);
  EXPECT_EQ(540, exact[96]);

  // Sixty frames of 1/60 s sum to just under 1 s in float, so a cycle may end
  // one frame late (the restart drops the surplus): within one frame's turn.
  std::vector<float> display = spin(kFrame, 90);
  EXPECT_TRUE(std::is_sorted(display.begin(), display.end()));  // never wraps or turns back
  EXPECT_NEAR(540, display.back(), 6.001);
}

TEST_F(CCIntervalActionTest, RotateToTakesTheShortWayFromTheReducedStartAngle) {
  struct Case {
    float start, destination, end;
  };
  const Case cases[] = {
      {350, 10, 370},   // +20
      {10, 350, -10},   // -20
      {0, 720, 360},    // the destination is not reduced
      {370, 20, 20},    // the start is reduced to 10 first
      {-370, -20, -20}, // negative starts keep their sign
  };
  for (const Case& c : cases) {
    CCNode* node = CCNode::node();
    node->setRotation(c.start);
    play(CCRotateTo::actionWithDuration(1, c.destination), node);
    EXPECT_FLOAT_EQ(c.end, node->rotation()) << c.start << " to " << c.destination;
  }
}

TEST_F(CCIntervalActionTest, JumpRisesToItsHeightMidHopAndLandsBetweenHops) {
  CCNode* node = CCNode::node();
  CCJumpBy* jump = CCJumpBy::actionWithDuration(1, CGPointMake(100, 0), 30, 2);
  jump->startWithTarget(node);
  jump->update(0.25f);  // the top of the first hop
  EXPECT_POINT_EQ(CGPointMake(25, 30), node->position());
  jump->update(0.5f);  // landed between the hops
  EXPECT_POINT_EQ(CGPointMake(50, 0), node->position());
}

TEST_F(CCIntervalActionTest, ToFormsReachTheirDestinationEveryTimeTheyRun) {
  CCNode* node = CCNode::node();
  CCJumpTo* jump = CCJumpTo::actionWithDuration(0.5f, CGPointMake(100, 0), 10, 1);
  CCBezierTo* path = CCBezierTo::actionWithDuration(0.5f, {{-40, 60}, {0, 50}, {-40, 50}});
  node->setPosition(CGPointMake(20, 30));
  play(jump, node);
  node->setPosition(CGPointMake(50, 50));
  play(jump, node);
  EXPECT_POINT_EQ(CGPointMake(100, 0), node->position());

  play(path, node);
  node->setPosition(CGPointMake(7, 7));
  play(path, node);
  EXPECT_POINT_EQ(CGPointMake(-40, 60), node->position());

  // A copy made after a run goes to the destination too.
  Ref<CCJumpTo> copy = Ref<CCJumpTo>::adopt(jump->copy());
  node->setPosition(CGPointZero);
  play(copy, node);
  EXPECT_POINT_EQ(CGPointMake(100, 0), node->position());
}

TEST_F(CCIntervalActionTest, BezierReverseRetracesThePath) {
  const ccBezierConfig curve{{120, -30}, {10, 90}, {150, 60}};
  CCNode* forwardNode = CCNode::node();
  CCNode* backwardNode = CCNode::node();
  forwardNode->setPosition(CGPointMake(5, 5));
  backwardNode->setPosition(CGPointMake(125, -25));  // where the forward path ends
  CCBezierBy* forward = CCBezierBy::actionWithDuration(1, curve);
  CCBezierBy* backward = forward->reverse();
  forward->startWithTarget(forwardNode);
  backward->startWithTarget(backwardNode);
  for (float t : {0.0f, 0.2f, 0.5f, 0.9f, 1.0f}) {
    forward->update(1 - t);
    backward->update(t);
    EXPECT_NEAR(forwardNode->position().x, backwardNode->position().x, 1e-3) << t;
    EXPECT_NEAR(forwardNode->position().y, backwardNode->position().y, 1e-3) << t;
  }
  EXPECT_POINT_EQ(CGPointMake(5, 5), backwardNode->position());
}

TEST_F(CCIntervalActionTest, BlinkHidesThenShowsInEachSliceAndEndsVisible) {
  CCNode* node = CCNode::node();
  CCBlink* blink = CCBlink::actionWithDuration(1, 5);
  blink->startWithTarget(node);
  int hides = 0, shows = 0;
  bool visible = node->visible();
  do {
    blink->step(kFrame);
    if (visible && !node->visible()) ++hides;
    if (!visible && node->visible()) ++shows;
    visible = node->visible();
  } while (!blink->isDone());
  EXPECT_EQ(5, hides);
  EXPECT_EQ(5, shows);
  EXPECT_TRUE(node->visible());

  // The update after the end changes nothing.
  node->setVisible(false);
  blink->update(1);
  EXPECT_FALSE(node->visible());
}

TEST_F(CCIntervalActionTest, ColourComponentsTruncateAndKeepTheirLowByte) {
  ColorNode* node = ColorNode::node();
  CCFadeIn* fadeIn = CCFadeIn::actionWithDuration(1);
  fadeIn->startWithTarget(node);
  fadeIn->update(0.5f);
  EXPECT_EQ(127, node->opacity());  // 127.5

  node->setColor(ccc3(0, 0, 0));
  CCTintTo* tintTo = CCTintTo::actionWithDuration(1, 255, 101, 1);
  tintTo->startWithTarget(node);
  tintTo->update(0.5f);
  EXPECT_EQ(ccc3(127, 50, 0), node->color());

  node->setColor(ccc3(250, 5, 128));
  CCTintBy* tintBy = CCTintBy::actionWithDuration(1, 10, -10, 300);
  tintBy->startWithTarget(node);
  tintBy->update(1);
  EXPECT_EQ(ccc3(4, 251, 172), node->color());  // 260, -5 and 428 wrap round
  tintBy->update(1e30f);                       // beyond any integer: 0, not undefined
  EXPECT_EQ(ccc3(0, 0, 0), node->color());
}

TEST_F(CCIntervalActionTest, FadeAndTintOnANodeWithoutColourAreInvalid) {
  testing_support::AssertionRecorder recorder;
  CCNode* plain = CCNode::node();
  plain->setPosition(CGPointMake(1, 2));
  CCActionInterval* actions[] = {CCFadeIn::actionWithDuration(1), CCFadeOut::actionWithDuration(1),
                                 CCFadeTo::actionWithDuration(1, 9), CCTintTo::actionWithDuration(1, 1, 2, 3),
                                 CCTintBy::actionWithDuration(1, 1, 2, 3)};
  for (CCActionInterval* action : actions) {
    action->startWithTarget(plain);
    action->update(0.5f);  // nothing to change, and no crash
  }
  EXPECT_THAT(recorder.messages(),
              ElementsAre("CCFadeIn: target CCNode does not adopt CCRGBAProtocol",
                          "CCFadeOut: target CCNode does not adopt CCRGBAProtocol",
                          "CCFadeTo: target CCNode does not adopt CCRGBAProtocol",
                          "CCTintTo: target CCNode does not adopt CCRGBAProtocol",
                          "CCTintBy: target CCNode does not adopt CCRGBAProtocol"));
  EXPECT_POINT_EQ(CGPointMake(1, 2), plain->position());
}

// [SECTION] Copy and reverse

TEST_F(CCIntervalActionTest, CopyKeepsTheClassAndParametersButDropsTheTag) {
  MyMoveBy* move = platform::createAutoreleased<MyMoveBy>(
      [](MyMoveBy& a) { return a.initWithDuration(2, CGPointMake(4, -4)); });
  move->setTag(7);
  Ref<CCMoveTo> moveCopy = Ref<CCMoveTo>::adopt(move->copy());
  MyScaleTo* scale = platform::createAutoreleased<MyScaleTo>(
      [](MyScaleTo& a) { return a.initWithDuration(1, 3.0f, 0.5f); });
  Ref<CCScaleTo> scaleCopy = Ref<CCScaleTo>::adopt(scale->copy());
  EXPECT_STREQ("MyMoveBy", moveCopy->className());
  EXPECT_STREQ("MyScaleTo", scaleCopy->className());
  EXPECT_EQ(-1, moveCopy->tag());
  EXPECT_FLOAT_EQ(2, moveCopy->duration());

  CCNode* node = CCNode::node();
  CCActionInterval* spawn = CCSpawn::actionOne(moveCopy, scaleCopy);
  play(spawn, node);
  EXPECT_POINT_EQ(CGPointMake(4, -4), node->position());
  EXPECT_FLOAT_EQ(3, node->scaleX());
  EXPECT_FLOAT_EQ(0.5f, node->scaleY());
}

TEST_F(CCIntervalActionTest, ByFormsReverseBackToTheStart) {
  ColorNode* node = makeNode();
  CCActionInterval* forwards[] = {
      CCMoveBy::actionWithDuration(1, CGPointMake(30, -12)),
      CCJumpBy::actionWithDuration(1, CGPointMake(30, -12), 50, 3),
      CCRotateBy::actionWithDuration(1, 725),
      CCScaleBy::actionWithDuration(1, 4, 0.5f),
      CCTintBy::actionWithDuration(1, 100, -100, 55),
  };
  for (CCActionInterval* forward : forwards) {
    play(forward, node);
    auto* backward = static_cast<CCActionInterval*>(forward->reverse());
    ASSERT_NE(backward, nullptr) << forward->className();
    EXPECT_STREQ(forward->className(), backward->className());
    play(backward, node);
    EXPECT_POINT_EQ(CGPointMake(10, 20), node->position());
    EXPECT_FLOAT_EQ(30, node->rotation());
    EXPECT_FLOAT_EQ(2, node->scaleX());
    EXPECT_FLOAT_EQ(2, node->scaleY());
    EXPECT_EQ(ccc3(100, 150, 200), node->color());
  }

  // Fades reverse into each other.
  EXPECT_STREQ("CCFadeOut", CCFadeIn::actionWithDuration(2)->reverse()->className());
  EXPECT_STREQ("CCFadeIn", CCFadeOut::actionWithDuration(2)->reverse()->className());
  EXPECT_FLOAT_EQ(2, CCFadeOut::actionWithDuration(2)->reverse()->duration());
}

TEST_F(CCIntervalActionTest, ToFormsHaveNoReverseInvalid) {
  testing_support::AssertionRecorder recorder;
  CCFiniteTimeAction* actions[] = {
      CCMoveTo::actionWithDuration(1, CGPointZero), CCRotateTo::actionWithDuration(1, 0),
      CCScaleTo::actionWithDuration(1, 1), CCFadeTo::actionWithDuration(1, 0),
      CCTintTo::actionWithDuration(1, 0, 0, 0)};
  for (CCFiniteTimeAction* action : actions) EXPECT_EQ(nullptr, action->reverse()) << action->className();
  EXPECT_EQ(5u, recorder.messages().size());
  EXPECT_THAT(recorder.messages(), testing::Each(std::string("CCIntervalAction: reverse not implemented.")));
}

// [SECTION] Sequence

TEST_F(CCIntervalActionTest, SequenceHandsOverAtTheSplitAndCompletesTheFirstWhenAFrameJumpsIt) {
  CCSequence* sequence = CCSequence::actionOne(TraceInterval::named("A", 1), TraceInterval::named("B", 1));
  EXPECT_FLOAT_EQ(2, sequence->duration());
  CCNode* node = CCNode::node();
  sequence->startWithTarget(node);
  for (float dt : {0.0f, 0.6f, 0.6f, 0.8f}) sequence->step(dt);
  EXPECT_TRUE(sequence->isDone());
  EXPECT_THAT(g_trace, ElementsAre("A start", "A update 0", "A update 0.6", "A update 1", "A stop",
                                   "B start", "B update 0.2", "B update 1"));

  // A first update already past the split plays the first action through.
  g_trace.clear();
  sequence->startWithTarget(node);
  sequence->update(0.75f);
  EXPECT_THAT(g_trace, ElementsAre("A start", "A update 1", "A stop", "B start", "B update 0.5"));
}

TEST_F(CCIntervalActionTest, SequenceRunsZeroDurationMembersInTheRightFrame) {
  CCNode* node = CCNode::node();
  CCSequence* first = CCSequence::actionOne(traceInstant("I"), TraceInterval::named("A", 1));
  first->startWithTarget(node);
  first->step(kFrame);
  EXPECT_THAT(g_trace, ElementsAre("I start", "I update 1", "I stop", "A start", "A update 0"));

  g_trace.clear();
  CCSequence* last = CCSequence::actionOne(TraceInterval::named("A", 1), traceInstant("I"));
  last->startWithTarget(node);
  for (float dt : {0.0f, 0.5f}) last->step(dt);
  EXPECT_THAT(g_trace, ElementsAre("A start", "A update 0", "A update 0.5"));
  g_trace.clear();
  last->step(0.5f);
  EXPECT_THAT(g_trace, ElementsAre("A update 1", "A stop", "I start", "I update 1"));
  EXPECT_TRUE(last->isDone());
}

TEST_F(CCIntervalActionTest, SequenceListChainsFromTheLeftAndEndsAtTheFirstNull) {
  CCMoveBy* a = CCMoveBy::actionWithDuration(1, CGPointMake(1, 0));
  CCMoveBy* b = CCMoveBy::actionWithDuration(2, CGPointMake(0, 1));
  CCDelayTime* c = CCDelayTime::actionWithDuration(0);
  EXPECT_EQ(a, CCSequence::actions({a}));
  EXPECT_EQ(a, CCSequence::actions({a, nullptr, b}));
  EXPECT_EQ(nullptr, CCSequence::actions({nullptr, a}));
  EXPECT_EQ(nullptr, CCSequence::actions({}));

  auto* chain = static_cast<CCActionInterval*>(CCSequence::actions({a, b, c}));
  EXPECT_STREQ("CCSequence", chain->className());
  EXPECT_FLOAT_EQ(3, chain->duration());
  CCNode* node = CCNode::node();
  play(chain, node);
  EXPECT_POINT_EQ(CGPointMake(1, 1), node->position());
}

TEST_F(CCIntervalActionTest, SequenceReverseRunsTheReversesInOppositeOrder) {
  CCSequence* sequence = CCSequence::actionOne(CCMoveBy::actionWithDuration(1, CGPointMake(10, 0)),
                                               CCMoveBy::actionWithDuration(3, CGPointMake(0, 10)));
  CCSequence* reversed = sequence->reverse();
  CCNode* node = CCNode::node();
  node->setPosition(CGPointMake(10, 10));
  reversed->startWithTarget(node);
  reversed->step(0);
  reversed->step(3);  // the end of the (reversed) 3 s part
  EXPECT_POINT_EQ(CGPointMake(10, 0), node->position());
  reversed->step(1);
  EXPECT_POINT_EQ(CGPointMake(0, 0), node->position());
}

TEST_F(CCIntervalActionTest, ContainersCopyAndReverseAsTheirOwnClass) {
  MySequence* sequence = platform::createAutoreleased<MySequence>([](MySequence& s) {
    return s.initOne(CCMoveBy::actionWithDuration(1, CGPointMake(1, 0)), CCDelayTime::actionWithDuration(1));
  });
  sequence->setTag(3);
  Ref<CCSequence> copy = Ref<CCSequence>::adopt(sequence->copy());
  EXPECT_STREQ("MySequence", copy->className());
  EXPECT_EQ(-1, copy->tag());
  EXPECT_STREQ("MySequence", sequence->reverse()->className());

  MyRepeat* repeat = platform::createAutoreleased<MyRepeat>(
      [](MyRepeat& r) { return r.initWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(1, 0)), 2); });
  CCRepeat* reversed = repeat->reverse();
  EXPECT_STREQ("MyRepeat", reversed->className());
  EXPECT_EQ(2u, reversed->times());
  Ref<CCRepeat> repeatCopy = Ref<CCRepeat>::adopt(repeat->copy());
  EXPECT_NE(repeat->innerAction(), repeatCopy->innerAction());  // the inner action is copied too
}

TEST_F(CCIntervalActionTest, ContainerMisuseIsInvalid) {
  testing_support::AssertionRecorder recorder;
  CCMoveBy* move = CCMoveBy::actionWithDuration(1, CGPointZero);
  EXPECT_EQ(nullptr, CCSequence::actionOne(nullptr, move));
  EXPECT_EQ(nullptr, CCSequence::actionOne(move, nullptr));
  EXPECT_EQ(nullptr, CCSpawn::actionOne(nullptr, move));
  EXPECT_EQ(nullptr, CCSpawn::actionOne(move, nullptr));
  EXPECT_THAT(recorder.messages(),
              ElementsAre("Sequence: argument one must be non-nil", "Sequence: argument two must be non-nil",
                          "Spawn: argument one must be non-nil", "Spawn: argument two must be non-nil"));

  // A sequence holding an action without a reverse has none either.
  recorder.clear();
  CCSequence* sequence = CCSequence::actionOne(move, CCMoveTo::actionWithDuration(1, CGPointZero));
  EXPECT_EQ(nullptr, sequence->reverse());
  EXPECT_THAT(recorder.messages(),
              ElementsAre("CCIntervalAction: reverse not implemented.", "Sequence: argument one must be non-nil"));
}

// [SECTION] Repeat, spawn, reverse-time

TEST_F(CCIntervalActionTest, RepeatRestartsTheInnerActionAtEachThirdAndFinishesAtOne) {
  CCRepeat* repeat = CCRepeat::actionWithAction(TraceInterval::named("A", 1), 3);
  EXPECT_FLOAT_EQ(3, repeat->duration());
  repeat->startWithTarget(CCNode::node());
  for (int frame = 0; frame < 6; ++frame) {
    repeat->step(frame == 0 ? 0.0f : 0.5f);
    EXPECT_FALSE(repeat->isDone()) << frame;
  }
  repeat->step(0.5f);
  EXPECT_TRUE(repeat->isDone());
  EXPECT_THAT(g_trace, ElementsAre("A start", "A update 0", "A update 0.5",                       //
                                   "A update 1", "A stop", "A start", "A update 0", "A update 0.5",  //
                                   "A update 1", "A stop", "A start", "A update 0", "A update 0.5",  //
                                   "A update 1"));
}

TEST_F(CCIntervalActionTest, RepeatedMoveNeverStepsBackwards) {
  CCNode* node = CCNode::node();
  CCRepeat* repeat = CCRepeat::actionWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(10, 0)), 3);
  repeat->startWithTarget(node);
  float elapsed = 0;
  repeat->step(0);
  while (!repeat->isDone()) {
    repeat->step(0.25f);
    elapsed += 0.25f;
    EXPECT_NEAR(10 * elapsed, node->position().x, 1e-4) << "after " << elapsed << " s";
  }
  EXPECT_FLOAT_EQ(3, elapsed);
}

TEST_F(CCIntervalActionTest, RepeatOfZeroTimesIsDoneAfterOneStep) {
  CCRepeat* repeat = CCRepeat::actionWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(10, 0)), 0);
  EXPECT_EQ(0x34000000u, std::bit_cast<std::uint32_t>(repeat->duration()));
  EXPECT_EQ(1, play(repeat, CCNode::node()));
}

TEST_F(CCIntervalActionTest, SpawnPadsTheShorterActionWhichThenHoldsItsEnd) {
  CCNode* node = CCNode::node();
  CCSpawn* spawn = CCSpawn::actionOne(CCMoveBy::actionWithDuration(1, CGPointMake(10, 0)),
                                      CCRotateBy::actionWithDuration(2, 90));
  EXPECT_FLOAT_EQ(2, spawn->duration());
  spawn->startWithTarget(node);
  spawn->step(0);
  spawn->step(1);
  EXPECT_POINT_EQ(CGPointMake(10, 0), node->position());
  EXPECT_FLOAT_EQ(45, node->rotation());
  spawn->step(0.5f);
  EXPECT_POINT_EQ(CGPointMake(10, 0), node->position());
  spawn->step(0.5f);
  EXPECT_TRUE(spawn->isDone());
  EXPECT_FLOAT_EQ(90, node->rotation());

  // A zero-duration member runs in the first frame.
  auto* grouped = static_cast<CCActionInterval*>(
      CCSpawn::actions({traceInstant("I"), CCDelayTime::actionWithDuration(1), traceInstant("J")}));
  EXPECT_FLOAT_EQ(1, grouped->duration());
  grouped->startWithTarget(node);
  g_trace.clear();
  grouped->step(0);
  EXPECT_THAT(g_trace, ElementsAre("I start", "I update 1", "I stop", "J start", "J update 1", "J stop"));
}

TEST_F(CCIntervalActionTest, ReverseTimePlaysTheActionBackwards) {
  CCNode* node = CCNode::node();
  CCMoveBy* move = CCMoveBy::actionWithDuration(1, CGPointMake(10, 0));
  CCReverseTime* backwards = CCReverseTime::actionWithAction(move);
  backwards->startWithTarget(node);
  backwards->step(0);
  EXPECT_POINT_EQ(CGPointMake(10, 0), node->position());  // at t = 0 the move is at its end
  backwards->step(0.25f);
  EXPECT_POINT_EQ(CGPointMake(7.5f, 0), node->position());
  backwards->step(0.75f);
  EXPECT_POINT_EQ(CGPointZero, node->position());

  CCFiniteTimeAction* forwards = backwards->reverse();
  EXPECT_STREQ("CCMoveBy", forwards->className());
  EXPECT_NE(move, forwards);
}

}  // namespace
