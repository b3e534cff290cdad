// tessera [scenes] example: every scene transition, one after the other.
//
// Shows: replacing the running scene through a transition; slides, moves,
// zooms, flips, fades, tile effects, the page turn and the radial wipes
// between two kinds of scene. Each scene names the transition that brought
// it in; after a short pause the next transition starts. A tap, a click or
// any key starts the next one at once.
//
// Usage: transitions [--frames N] [--capture FILE --at SECONDS]
//                    [--contact-sheet FILE [--fraction F]]
//   --frames N            quit after N frames (CI runs it headless with --frames 2:
//                         SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//   --capture FILE        write the screen at --at SECONDS (on a fake clock, so the
//                         picture is the same every time) as a PNG, then quit
//   --contact-sheet FILE  run every transition once on a fake clock and write a PNG
//                         of each at its midpoint, half size, eight to a row, then quit
//   --fraction F          take the contact sheet's pictures at fraction F of each
//                         transition instead (0 to 1; default 0.5)

#include "ExampleApplication.h"
#include "ExampleCapture.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Keyboard.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayer.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCScene.h"
#include "tessera/CCTransition.h"
#include "tessera/CCTransitionPageTurn.h"
#include "tessera/CCTransitionRadial.h"
#include "tessera/ccMacros.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr float kTransitionSeconds = 1.2f;
constexpr float kPauseSeconds = 1.0f;

// [SECTION] The transitions, in the order shown

struct Transition {
  const char* name;
  std::function<CCTransitionScene*(float, CCScene*)> make;
};

template <class T>
Transition plain(const char* name) {
  return {name, [](float d, CCScene* s) -> CCTransitionScene* { return T::transitionWithDuration(d, s); }};
}

template <class T>
Transition oriented(const char* name, tOrientation orientation) {
  return {name, [orientation](float d, CCScene* s) -> CCTransitionScene* {
            return T::transitionWithDuration(d, s, orientation);
          }};
}

const std::vector<Transition>& transitions() {
  static const std::vector<Transition> list = {
      plain<CCTransitionFade>("Fade"),
      {"Fade (white)",
       [](float d, CCScene* s) -> CCTransitionScene* {
         return CCTransitionFade::transitionWithDuration(d, s, ccc3(255, 255, 255));
       }},
      plain<CCTransitionCrossFade>("CrossFade"),
      plain<CCTransitionRotoZoom>("RotoZoom"),
      plain<CCTransitionJumpZoom>("JumpZoom"),
      plain<CCTransitionShrinkGrow>("ShrinkGrow"),
      plain<CCTransitionMoveInL>("MoveInL"),
      plain<CCTransitionMoveInR>("MoveInR"),
      plain<CCTransitionMoveInT>("MoveInT"),
      plain<CCTransitionMoveInB>("MoveInB"),
      plain<CCTransitionSlideInL>("SlideInL"),
      plain<CCTransitionSlideInR>("SlideInR"),
      plain<CCTransitionSlideInT>("SlideInT"),
      plain<CCTransitionSlideInB>("SlideInB"),
      oriented<CCTransitionFlipX>("FlipX (left)", kOrientationLeftOver),
      oriented<CCTransitionFlipX>("FlipX (right)", kOrientationRightOver),
      oriented<CCTransitionFlipY>("FlipY (up)", kOrientationUpOver),
      oriented<CCTransitionFlipY>("FlipY (down)", kOrientationDownOver),
      oriented<CCTransitionFlipAngular>("FlipAngular", kOrientationRightOver),
      oriented<CCTransitionZoomFlipX>("ZoomFlipX", kOrientationLeftOver),
      oriented<CCTransitionZoomFlipY>("ZoomFlipY", kOrientationDownOver),
      oriented<CCTransitionZoomFlipAngular>("ZoomFlipAngular", kOrientationRightOver),
      plain<CCTransitionTurnOffTiles>("TurnOffTiles"),
      plain<CCTransitionFadeTR>("FadeTR"),
      plain<CCTransitionFadeBL>("FadeBL"),
      plain<CCTransitionFadeUp>("FadeUp"),
      plain<CCTransitionFadeDown>("FadeDown"),
      plain<CCTransitionSplitCols>("SplitCols"),
      plain<CCTransitionSplitRows>("SplitRows"),
      plain<CCTransitionPageTurn>("PageTurn"),
      {"PageTurn (back)",
       [](float d, CCScene* s) -> CCTransitionScene* { return CCTransitionPageTurn::transitionWithDuration(d, s, true); }},
      plain<CCTransitionRadialCCW>("RadialCCW"),
      plain<CCTransitionRadialCW>("RadialCW"),
  };
  return list;
}

// [SECTION] Options

long g_frameLimit = 0;               // --frames
std::string g_contactSheet;          // --contact-sheet
double g_sheetFraction = 0.5;        // --fraction
bool contactSheetMode() { return !g_contactSheet.empty(); }

// [SECTION] The scenes

void startTransition(std::size_t index);

// Catches taps: the first one starts the next transition at once.
class TapLayer : public CCLayer {
  PLATFORM_CLASS(TapLayer, CCLayer)
 public:
  CC_NODE_FACTORY(TapLayer)
  bool init() override {
    if (!CCLayer::init()) return false;
    setIsTouchEnabled(true);
    return true;
  }
  void ccTouchesBegan(platform::TouchSet*, platform::Event*) override {
    if (onTap_) onTap_();
  }
  std::function<void()> onTap_;
};

// One of two looks (index even or odd), with the name of the transition that
// brought it in. After the pause it starts transition `next_`.
class DemoScene : public CCScene {
  PLATFORM_CLASS(DemoScene, CCScene)
 public:
  CC_NODE_FACTORY(DemoScene)

  static DemoScene* sceneFor(std::size_t index, const char* title) {
    DemoScene* scene = node();
    scene->next_ = index + 1;
    scene->build(index % 2 == 0, title);
    return scene;
  }

  void onEnterTransitionDidFinish() override {
    CCScene::onEnterTransitionDidFinish();
    schedule(CC_SEL(DemoScene::advance), contactSheetMode() ? 0.1f : kPauseSeconds);
    // Keys go to the scene on screen; none while a transition runs.
    current_ = this;
    platform::setKeyObserver([](std::string_view) {
      if (current_) current_->advance(0);
    });
  }
  void onExit() override {
    if (current_ == this) current_ = nullptr;
    CCScene::onExit();
  }

  void advance(float) {
    unschedule(CC_SEL(DemoScene::advance));
    startTransition(next_);
  }

 private:
  void build(bool warm, const char* title) {
    const CGSize size = CCDirector::sharedDirector()->winSize();
    if (warm) {
      addChild(CCLayerGradient::layerWithColor(ccc4(250, 170, 60, 255), ccc4(170, 40, 60, 255), CGPointMake(0, -1)));
    } else {
      addChild(CCLayerGradient::layerWithColor(ccc4(60, 170, 230, 255), ccc4(20, 40, 120, 255), CGPointMake(0, -1)));
    }
    // A turning square, so that the scenes are seen to run during a transition.
    CCLayerColor* square = CCLayerColor::layerWithColor(warm ? ccc4(255, 240, 200, 255) : ccc4(200, 240, 255, 255),
                                                        100, 100);
    square->setIsRelativeAnchorPoint(true);
    square->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    square->setPosition(CGPointMake(size.width / 2, size.height * 0.4f));
    square->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(2, warm ? 180 : -180)));
    addChild(square);

    if (CCLabelTTF* label = CCLabelTTF::labelWithString(title, "Helvetica", 36)) {
      label->setPosition(CGPointMake(size.width / 2, size.height * 0.75f));
      label->setColor(ccc3(20, 20, 30));
      addChild(label);
    }
    TapLayer* taps = TapLayer::node();
    taps->onTap_ = [this] { advance(0); };
    addChild(taps);
  }

  std::size_t next_ = 0;
  static inline DemoScene* current_ = nullptr;
};

void startTransition(std::size_t index) {
  const std::vector<Transition>& list = transitions();
  const Transition& transition = list[index % list.size()];
  DemoScene* scene = DemoScene::sceneFor(index, transition.name);
  CCDirector::sharedDirector()->replaceScene(transition.make(kTransitionSeconds, scene));
}

// [SECTION] Frame counting and the contact sheet

// Visited after the running scene every frame. Counts frames for --frames;
// for --contact-sheet keeps each transition's frame at its midpoint.
class FrameWatcher : public CCNode {
  PLATFORM_CLASS(FrameWatcher, CCNode)
 public:
  CC_NODE_FACTORY(FrameWatcher)

  void visit() override {
    ++frames_;
    if (g_frameLimit > 0 && frames_ == g_frameLimit) {
      std::printf("%s: drew %ld frames\n", program_invocation_short_name, frames_);
      platform::Application::sharedApplication()->terminate();
    }
    if (contactSheetMode()) watchForMidpoint();
  }

 private:
  void watchForMidpoint() {
    auto* transition = dynamic_cast<CCTransitionScene*>(CCDirector::sharedDirector()->runningScene());
    if (transition != current_) {
      current_ = transition;
      framesInTransition_ = 0;
    }
    if (transition == nullptr) return;
    // The last presented frame is the one before this: the wanted frame once
    // that share of the transition's frames (and the frame it starts in)
    // have passed.
    if (++framesInTransition_ != static_cast<int>(kTransitionSeconds * 60 * g_sheetFraction) + 2) return;
    addThumbnail(platform::captureLastPresentedFrame());
    if (thumbnails_.size() == transitions().size()) {
      writeSheet();
      platform::Application::sharedApplication()->terminate();
    }
  }

  void addThumbnail(const platform::CapturedFrame& frame) { thumbnails_.push_back(halfSizeFrame(frame)); }

  void writeSheet() {
    if (writeContactSheet(thumbnails_, 8, g_contactSheet))
      std::printf("%s: wrote %s (%zu transitions)\n", program_invocation_short_name, g_contactSheet.c_str(),
                  thumbnails_.size());
  }

  long frames_ = 0;
  CCTransitionScene* current_ = nullptr;  // compared only, never used
  int framesInTransition_ = 0;
  std::vector<platform::CapturedFrame> thumbnails_;
};

class TransitionsDelegate : public ExampleDelegate {
  PLATFORM_CLASS(TransitionsDelegate, ExampleDelegate)

 public:
  void applicationDidFinishLaunching(platform::Application* application) override {
    ExampleDelegate::applicationDidFinishLaunching(application);
    CCDirector::sharedDirector()->setNotificationNode(FrameWatcher::node());
  }

 protected:
  CCScene* firstScene() override {
    // Numbered as the one before the first transition, which it starts.
    return DemoScene::sceneFor(transitions().size() - 1, "Transitions");
  }
};

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--frames N] [--capture FILE --at SECONDS] [--contact-sheet FILE [--fraction F]]\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string capture;
  double captureAt = -1;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
      g_frameLimit = std::strtol(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--capture") == 0 && hasValue) {
      capture = argv[++i];
    } else if (std::strcmp(argv[i], "--at") == 0 && hasValue) {
      char* end = nullptr;
      captureAt = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !(captureAt >= 0)) return usage(argv[0]);
    } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && hasValue) {
      g_contactSheet = argv[++i];
    } else if (std::strcmp(argv[i], "--fraction") == 0 && hasValue) {
      char* end = nullptr;
      g_sheetFraction = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !(g_sheetFraction >= 0 && g_sheetFraction <= 1)) return usage(argv[0]);
    } else {
      return usage(argv[0]);
    }
  }
  if (capture.empty() != (captureAt < 0)) return usage(argv[0]);

  platform::Facts& facts = platform::facts();
  if (!capture.empty()) {
    facts.captureFile = capture;  // taken from the working directory
    facts.captureAt = captureAt;
    facts.fakeClock = true;
  }
  if (contactSheetMode()) facts.fakeClock = true;

  // The frame limit lives in FrameWatcher, so ExampleApplication's own
  // option parsing sees only the program name.
  char* programOnly[] = {argv[0], nullptr};
  return runExample(1, programOnly, "TransitionsDelegate");
}
