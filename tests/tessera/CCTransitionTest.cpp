#include "tessera/CCTransition.h"

#include "OffscreenTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/Object.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCCamera.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCRenderTexture.h"
#include "tessera/CCTransitionPageTurn.h"
#include "tessera/CCTransitionRadial.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using offscreen_test::Frame;
using offscreen_test::kHeight;
using offscreen_test::kWidth;
using offscreen_test::near;
using offscreen_test::Rgba;
using platform::Ref;
using testing::ElementsAre;
using testing_support::AssertionRecorder;

namespace {

std::vector<std::string> g_trace;

// A scene that records its lifecycle and fills the window with one colour
// (or two: `top` over the upper half).
class TraceScene : public CCScene {
  PLATFORM_CLASS(TraceScene, CCScene)
 public:
  CC_NODE_FACTORY(TraceScene)
  static TraceScene* named(std::string name, ccColor4B color) { return named(std::move(name), color, color); }
  static TraceScene* named(std::string name, ccColor4B bottom, ccColor4B top) {
    TraceScene* scene = node();
    scene->name_ = std::move(name);
    scene->addChild(CCLayerColor::layerWithColor(bottom));
    CCLayerColor* upper = CCLayerColor::layerWithColor(top, kWidth, kHeight / 2.0f);
    upper->setPosition(CGPointMake(0, kHeight / 2.0f));
    scene->addChild(upper);
    return scene;
  }
  void onEnter() override {
    g_trace.push_back(name_ + " onEnter");
    CCScene::onEnter();
  }
  void onEnterTransitionDidFinish() override {
    g_trace.push_back(name_ + " didFinish");
    CCScene::onEnterTransitionDidFinish();
  }
  void onExit() override {
    g_trace.push_back(name_ + " onExit");
    CCScene::onExit();
  }
  void cleanup() override {
    g_trace.push_back(name_ + " cleanup");
    CCScene::cleanup();
  }
  ~TraceScene() override { g_trace.push_back(name_ + " dealloc"); }

  std::string name_;
};

// Drawn after the running scene every frame: counts frames and lets a test
// look at the state each frame ends with.
class FrameProbe : public CCNode {
  PLATFORM_CLASS(FrameProbe, CCNode)
 public:
  CC_NODE_FACTORY(FrameProbe)
  void visit() override {
    ++frames_;
    if (onFrame_) onFrame_();
  }
  int frames_ = 0;
  std::function<void()> onFrame_;
};

// Draws into its own render texture while it is visited, then shows the
// picture: green over the lower half of the window.
class PaintingNode : public CCNode {
  PLATFORM_CLASS(PaintingNode, CCNode)
 public:
  CC_NODE_FACTORY(PaintingNode)
  bool init() override {
    if (!CCNode::init()) return false;
    picture_ = CCRenderTexture::renderTextureWithWidth(kWidth, kHeight / 2);
    if (!picture_) return false;
    picture_->setPosition(CGPointMake(kWidth / 2.0f, kHeight / 4.0f));
    addChild(picture_.get());
    return true;
  }
  void visit() override {
    picture_->beginWithClear(0, 1, 0, 1);
    picture_->end();
    CCNode::visit();
  }
  Ref<CCRenderTexture> picture_;
};

constexpr ccColor4B kRed{255, 0, 0, 255};
constexpr ccColor4B kBlue{0, 0, 255, 255};
constexpr ccColor4B kYellow{255, 255, 0, 255};
constexpr Rgba kRedPixel{255, 0, 0, 255};
constexpr Rgba kBluePixel{0, 0, 255, 255};

class TransitionTest : public offscreen_test::OffscreenTest {
 protected:
  void SetUp() override {
    g_trace.clear();
    OffscreenTest::SetUp();
    if (IsSkipped()) return;
    probe_ = FrameProbe::node();
    director_->setNotificationNode(probe_.get());
  }
  void TearDown() override {
    out_ = nullptr;
    in_ = nullptr;
    probe_ = nullptr;
    OffscreenTest::TearDown();
  }

  // Runs the outgoing scene A (red, or red below yellow) for a few frames.
  void startOutgoing(ccColor4B top = kRed) {
    {
      platform::AutoreleasePool pool;
      out_ = TraceScene::named("A", kRed, top);
      in_ = TraceScene::named("B", kBlue);
    }
    if (director_->runningScene() == nullptr) {
      director_->runWithScene(out_.get());
      window_->makeKeyAndVisible();
    } else {
      director_->replaceScene(out_.get());
    }
    stepFrames(3);
    g_trace.clear();
  }

  // Replaces A by a transition to B made by `make`, in its own pool, so that
  // only the director and the scheduler hold it.
  CCTransitionScene* replaceWith(const std::function<CCTransitionScene*(CCScene*)>& make) {
    CCTransitionScene* transition = nullptr;
    {
      platform::AutoreleasePool pool;
      transition = make(in_.get());
      if (transition) director_->replaceScene(transition);
    }
    return transition;
  }

  void stepFrame() {
    const int before = probe_->frames_;
    for (int pass = 0; pass < 1000 && probe_->frames_ == before; ++pass) platform::RunLoop::main().runOnce(true);
    ASSERT_NE(before, probe_->frames_) << "the director drew no frame";
  }
  void stepFrames(int count) {
    for (int i = 0; i < count; ++i) stepFrame();
  }
  // Steps frames until B is the running scene; returns the frames it took,
  // or -1 after `limit` frames.
  int runUntilIncomingRuns(int limit) {
    for (int frames = 1; frames <= limit; ++frames) {
      stepFrame();
      if (director_->runningScene() == in_.get()) return frames;
    }
    return -1;
  }
  Frame lastFrame() {
    platform::CapturedFrame captured = platform::captureLastPresentedFrame();
    return Frame{captured.width, captured.height, std::move(captured.rgba)};
  }
  // The share of the frame's pixels near `color`.
  static double shareOf(const Frame& frame, const Rgba& color) {
    int hits = 0;
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) hits += near(frame.at(x, y), color, 8, 3) ? 1 : 0;
    return static_cast<double>(hits) / (frame.width * frame.height);
  }

  Ref<TraceScene> out_, in_;
  Ref<FrameProbe> probe_;
};

// [SECTION] Every transition runs to completion through the director

struct TransitionCase {
  const char* name;
  std::function<CCTransitionScene*(float, CCScene*)> make;
};

template <class T>
TransitionCase plain(const char* name) {
  return {name, [](float d, CCScene* s) -> CCTransitionScene* { return T::transitionWithDuration(d, s); }};
}
template <class T>
TransitionCase oriented(const char* name, tOrientation orientation) {
  return {name,
          [orientation](float d, CCScene* s) -> CCTransitionScene* { return T::transitionWithDuration(d, s, orientation); }};
}

std::vector<TransitionCase> allTransitions() {
  return {
      plain<CCTransitionRotoZoom>("RotoZoom"),
      plain<CCTransitionJumpZoom>("JumpZoom"),
      plain<CCTransitionMoveInL>("MoveInL"),
      plain<CCTransitionMoveInR>("MoveInR"),
      plain<CCTransitionMoveInT>("MoveInT"),
      plain<CCTransitionMoveInB>("MoveInB"),
      plain<CCTransitionSlideInL>("SlideInL"),
      plain<CCTransitionSlideInR>("SlideInR"),
      plain<CCTransitionSlideInT>("SlideInT"),
      plain<CCTransitionSlideInB>("SlideInB"),
      plain<CCTransitionShrinkGrow>("ShrinkGrow"),
      oriented<CCTransitionFlipX>("FlipXLeftOver", kOrientationLeftOver),
      oriented<CCTransitionFlipX>("FlipXRightOver", kOrientationRightOver),
      oriented<CCTransitionFlipY>("FlipYUpOver", kOrientationUpOver),
      oriented<CCTransitionFlipAngular>("FlipAngular", kOrientationRightOver),
      oriented<CCTransitionZoomFlipX>("ZoomFlipX", kOrientationLeftOver),
      oriented<CCTransitionZoomFlipY>("ZoomFlipY", kOrientationDownOver),
      oriented<CCTransitionZoomFlipAngular>("ZoomFlipAngular", kOrientationLeftOver),
      plain<CCTransitionFade>("Fade"),
      {"FadeWhite",
       [](float d, CCScene* s) -> CCTransitionScene* {
         return CCTransitionFade::transitionWithDuration(d, s, ccc3(255, 255, 255));
       }},
      plain<CCTransitionCrossFade>("CrossFade"),
      plain<CCTransitionTurnOffTiles>("TurnOffTiles"),
      plain<CCTransitionFadeTR>("FadeTR"),
      plain<CCTransitionFadeBL>("FadeBL"),
      plain<CCTransitionFadeUp>("FadeUp"),
      plain<CCTransitionFadeDown>("FadeDown"),
      plain<CCTransitionSplitCols>("SplitCols"),
      plain<CCTransitionSplitRows>("SplitRows"),
      plain<CCTransitionPageTurn>("PageTurnForwards"),
      {"PageTurnBackwards",
       [](float d, CCScene* s) -> CCTransitionScene* { return CCTransitionPageTurn::transitionWithDuration(d, s, true); }},
      plain<CCTransitionRadialCCW>("RadialCCW"),
      plain<CCTransitionRadialCW>("RadialCW"),
  };
}

class EveryTransitionTest : public TransitionTest, public testing::WithParamInterface<TransitionCase> {};

TEST_P(EveryTransitionTest, HandsOverToARestedIncomingSceneAndReleasesEverything) {
  startOutgoing();
  CCTouchDispatcher* touches = CCTouchDispatcher::sharedDispatcher();
  bool touchesOnDuringTransition = false;
  probe_->onFrame_ = [&] {
    if (dynamic_cast<CCTransitionScene*>(director_->runningScene())) touchesOnDuringTransition |= touches->dispatchEvents();
  };

  Ref<CCTransitionScene> transition = replaceWith([](CCScene* in) { return GetParam().make(0.5f, in); });
  ASSERT_NE(nullptr, transition);
  EXPECT_FALSE(touches->dispatchEvents()) << "touch dispatch must be off from the transition's creation";
  EXPECT_EQ(out_.get(), transition->outScene());

  // 0.5 s is 30 frames; the hand-over needs two more (switch in, hand over).
  const int frames = runUntilIncomingRuns(60);
  ASSERT_NE(-1, frames) << "the transition never handed over";
  EXPECT_GE(frames, 31);
  EXPECT_FALSE(touchesOnDuringTransition);
  EXPECT_TRUE(touches->dispatchEvents());

  // B entered once at the start and heard of the end once A had left; A was
  // replaced, so it was cleaned up, and nothing keeps it alive any more.
  stepFrame();
  EXPECT_THAT(g_trace, ElementsAre("B onEnter", "A onExit", "B didFinish", "A cleanup"));
  EXPECT_EQ(1, transition->retainCount()) << "something still holds the transition after its hand-over";
  transition = nullptr;
  const int holdersOfA = out_->retainCount();
  out_ = nullptr;
  EXPECT_EQ(1, holdersOfA) << "something besides the test still holds the outgoing scene";
  EXPECT_THAT(g_trace, testing::Contains("A dealloc"));

  EXPECT_TRUE(in_->isRunning());
  EXPECT_TRUE(in_->visible());
  EXPECT_TRUE(CGPointEqualToPoint(CGPointZero, in_->position()));
  EXPECT_EQ(1.0f, in_->scaleX());
  EXPECT_EQ(1.0f, in_->scaleY());
  EXPECT_EQ(0.0f, in_->rotation());
  EXPECT_FALSE(in_->camera()->dirty());
  EXPECT_TRUE(in_->grid() == nullptr || !in_->grid()->active());
  EXPECT_EQ(0u, in_->numberOfRunningActions());

  // The scene draws alone now: all blue.
  stepFrame();
  EXPECT_GT(shareOf(lastFrame(), kBluePixel), 0.99);
}

INSTANTIATE_TEST_SUITE_P(Transitions, EveryTransitionTest, testing::ValuesIn(allTransitions()),
                         [](const testing::TestParamInfo<TransitionCase>& info) { return std::string(info.param.name); });

// [SECTION] Hand-over and lifecycle

TEST_F(TransitionTest, HandsOverOnTheFrameAfterTheLastStep) {
  startOutgoing();
  std::vector<std::string> frames;  // per frame: what ran and where B was
  probe_->onFrame_ = [&] {
    const bool transition = dynamic_cast<CCTransitionScene*>(director_->runningScene()) != nullptr;
    const bool inPlace = in_->position().x == 0.0f;
    frames.push_back(std::string(transition ? "T" : "B") + (inPlace ? "@0" : ""));
  };
  replaceWith([](CCScene* in) { return CCTransitionMoveInL::transitionWithDuration(0.25f, in); });
  ASSERT_NE(-1, runUntilIncomingRuns(40));

  // The last step puts B at its place and that frame is still drawn by the
  // transition; the next frame belongs to B.
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ("B@0", frames[frames.size() - 1]);
  EXPECT_EQ("T@0", frames[frames.size() - 2]);
  EXPECT_EQ("T", frames[frames.size() - 3]);
}

TEST_F(TransitionTest, PushedTransitionSuspendsTheOutgoingSceneWithoutCleanup) {
  startOutgoing();
  {
    platform::AutoreleasePool pool;
    director_->pushScene(CCTransitionFade::transitionWithDuration(0.2f, in_.get()));
  }
  ASSERT_NE(-1, runUntilIncomingRuns(40));
  stepFrame();
  EXPECT_THAT(g_trace, ElementsAre("B onEnter", "A onExit", "B didFinish"));
  EXPECT_FALSE(out_->isRunning());

  g_trace.clear();
  director_->popScene();
  stepFrame();
  EXPECT_THAT(g_trace, ElementsAre("B onExit", "B cleanup", "A onEnter", "A didFinish"));
  EXPECT_TRUE(out_->visible()) << "the outgoing scene must be shown again after the hand-over";
}

TEST_F(TransitionTest, RunsAsTheFirstSceneWithNothingToReplace) {
  {
    platform::AutoreleasePool pool;
    in_ = TraceScene::named("B", kBlue);
    for (const TransitionCase& transition : {plain<CCTransitionSlideInL>("SlideInL"),
                                             plain<CCTransitionShrinkGrow>("ShrinkGrow"),
                                             plain<CCTransitionCrossFade>("CrossFade"),
                                             plain<CCTransitionRadialCW>("RadialCW")}) {
      CCTransitionScene* scene = transition.make(0.1f, in_.get());
      ASSERT_NE(nullptr, scene) << transition.name;
      EXPECT_EQ(nullptr, scene->outScene());
    }
    director_->runWithScene(CCTransitionSlideInL::transitionWithDuration(0.1f, in_.get()));
  }
  window_->makeKeyAndVisible();
  ASSERT_NE(-1, runUntilIncomingRuns(30));
  EXPECT_TRUE(in_->isRunning());
  EXPECT_TRUE(CGPointEqualToPoint(CGPointZero, in_->position()));
  EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents());
}

TEST_F(TransitionTest, EndingTheDirectorMidwayReleasesBothScenes) {
  startOutgoing();
  replaceWith([](CCScene* in) { return CCTransitionRotoZoom::transitionWithDuration(1.0f, in); });
  stepFrames(10);
  ASSERT_NE(nullptr, dynamic_cast<CCTransitionScene*>(director_->runningScene()));
  director_->end();
  out_ = nullptr;
  in_ = nullptr;
  EXPECT_THAT(g_trace, testing::IsSupersetOf({"A dealloc", "B dealloc"}));
}

TEST_F(TransitionTest, CreationInvalidWithoutSceneOrWithTheRunningScene) {
  startOutgoing();
  AssertionRecorder assertions;
  EXPECT_EQ(nullptr, CCTransitionFade::transitionWithDuration(1, nullptr));
  EXPECT_EQ(nullptr, CCTransitionFlipX::transitionWithDuration(1, out_.get(), kOrientationRightOver));
  EXPECT_THAT(assertions.messages(), ElementsAre("Argument scene must be non-nil",
                                                 "Incoming scene must be different from the outgoing scene"));
  EXPECT_THAT(assertions.files(), testing::Each(std::string("libs/tessera/CCTransition.cpp")));
  EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->dispatchEvents()) << "a refused transition switched touches off";
}

// [SECTION] What the transitions do on the way

TEST_F(TransitionTest, FlipOrientationsTurnOppositeWays) {
  // Halfway through the first half the outgoing scene's eye has swung to
  // one side of the centre: left for one orientation, right for the other.
  float eyeX[2] = {};
  for (int orientation = 0; orientation < 2; ++orientation) {
    startOutgoing();
    replaceWith([&](CCScene* in) {
      return CCTransitionFlipX::transitionWithDuration(1.0f, in, static_cast<tOrientation>(orientation));
    });
    stepFrames(16);
    out_->camera()->eyeX(&eyeX[orientation], nullptr, nullptr);
    ASSERT_NE(-1, runUntilIncomingRuns(60));
  }
  EXPECT_LT(eyeX[kOrientationLeftOver], -1e-8f);
  EXPECT_GT(eyeX[kOrientationRightOver], 1e-8f);
}

TEST_F(TransitionTest, SceneOrderDrawsTheIncomingSceneBelowWhereTheEffectIsOnTheOutgoingOne) {
  startOutgoing();
  {
    platform::AutoreleasePool pool;
    EXPECT_TRUE(CCTransitionFade::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_TRUE(CCTransitionMoveInL::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_FALSE(CCTransitionSlideInR::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_FALSE(CCTransitionRadialCCW::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_FALSE(CCTransitionTurnOffTiles::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_FALSE(CCTransitionFadeDown::transitionWithDuration(1, in_.get())->isInSceneOnTop());
    EXPECT_FALSE(CCTransitionPageTurn::transitionWithDuration(1, in_.get(), false)->isInSceneOnTop());
    EXPECT_TRUE(CCTransitionPageTurn::transitionWithDuration(1, in_.get(), true)->isInSceneOnTop());
  }
  CCTouchDispatcher::sharedDispatcher()->setDispatchEvents(true);
}

// [SECTION] Pixels through the director

TEST_F(TransitionTest, FadeShowsItsColourAtTheMidpoint) {
  startOutgoing();
  replaceWith([](CCScene* in) { return CCTransitionFade::transitionWithDuration(1.0f, in, ccc3(0, 255, 0)); });
  stepFrames(1 + 30);  // the switch, then half of 60 frames
  const Frame frame = lastFrame();
  for (CGPoint p : {CGPointMake(10, 10), CGPointMake(160, 240), CGPointMake(300, 470)})
    EXPECT_TRUE(near(frame.at(p.x, p.y), Rgba{0, 255, 0, 255}, 12, 3))
        << "at (" << p.x << ", " << p.y << "): " << frame.at(p.x, p.y)[0] << "," << frame.at(p.x, p.y)[1] << ","
        << frame.at(p.x, p.y)[2];
}

TEST_F(TransitionTest, RadialWipeCoversHalfTheScreenAtHalfTime) {
  for (bool clockwise : {false, true}) {
    startOutgoing(kYellow);
    replaceWith([&](CCScene* in) -> CCTransitionScene* {
      if (clockwise) return CCTransitionRadialCW::transitionWithDuration(1.0f, in);
      return CCTransitionRadialCCW::transitionWithDuration(1.0f, in);
    });
    // At the start the picture of A shows the right way up.
    stepFrames(2);
    Frame frame = lastFrame();
    EXPECT_TRUE(near(frame.at(100, 400), Rgba{255, 255, 0, 255}, 8, 3));
    EXPECT_TRUE(near(frame.at(100, 100), kRedPixel, 8, 3));

    stepFrames(29);
    frame = lastFrame();
    const double covered = shareOf(frame, kRedPixel) + shareOf(frame, Rgba{255, 255, 0, 255});
    EXPECT_NEAR(0.5, covered, 0.04) << (clockwise ? "clockwise" : "counter-clockwise");
    // What is left of A is the sector from 12 o'clock round to 6 in the
    // timer's direction: the left half counter-clockwise, the right half
    // clockwise. B shows in the other half.
    const int passedX = clockwise ? 80 : 240;
    const int remainingX = clockwise ? 240 : 80;
    EXPECT_TRUE(near(frame.at(passedX, 240), kBluePixel, 8, 3));
    EXPECT_TRUE(near(frame.at(remainingX, 100), kRedPixel, 8, 3));

    ASSERT_NE(-1, runUntilIncomingRuns(60));
  }
}

TEST_F(TransitionTest, CrossFadeBlendsThePicturesOnTheScreen) {
  startOutgoing();
  replaceWith([](CCScene* in) { return CCTransitionCrossFade::transitionWithDuration(1.0f, in); });
  // The pictures are drawn while the director switches scenes, inside its
  // frame: their frame buffer must be put back for the frame to reach the
  // screen.
  stepFrames(2);
  EXPECT_TRUE(near(lastFrame().at(160, 240), kRedPixel, 12, 3));
  stepFrames(29);
  const Rgba middle = lastFrame().at(160, 240);
  EXPECT_TRUE(near(middle, Rgba{128, 0, 128, 255}, 16, 3)) << middle[0] << "," << middle[1] << "," << middle[2];
}

TEST_F(TransitionTest, RenderTextureInsideATransitionRestoresTheScreen) {
  startOutgoing();
  in_->addChild(PaintingNode::node());
  replaceWith([](CCScene* in) { return CCTransitionSlideInL::transitionWithDuration(1.0f, in); });
  stepFrames(31);
  // B's left part has slid in (green below, blue above), A still fills the
  // rest: the picture drawn in the middle of the frame did not take the rest
  // of the frame with it.
  const Frame frame = lastFrame();
  EXPECT_TRUE(near(frame.at(10, 100), Rgba{0, 255, 0, 255}, 8, 3));
  EXPECT_TRUE(near(frame.at(10, 400), kBluePixel, 8, 3));
  EXPECT_TRUE(near(frame.at(310, 100), kRedPixel, 8, 3));
  EXPECT_TRUE(near(frame.at(310, 400), kRedPixel, 8, 3));
}

}  // namespace
