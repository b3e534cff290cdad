// tessera [demos] the demo browser: one scene per part of the engine,
// reached one after the other through transitions.
//
// Shows: actions and easing; sprites and a sprite batch; labels of all three
// kinds (bitmap font, system font, character map); particles; menus; grid
// effects; a render texture; progress timers; a tile map with parallax and a
// motion streak; a sound board; text in a custom font. Right arrow or Space
// goes to the next demo, Left arrow to the previous one; so do the "<" and
// ">" items at the bottom of every demo.
//
// Usage: tessera-demos [--frames N] [--contact-sheet FILE [--at SECONDS]]
//                      [--press KEY,KEY,...]
//   --frames N            quit after N frames (CI runs it headless with --frames 2:
//                         SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1, and
//                         ALSOFT_DRIVERS=null for silent audio)
//   --contact-sheet FILE  run every demo on a fake clock, take a picture of each
//                         after --at SECONDS (default 1), half size, four to a
//                         row, write them to FILE as a PNG, then quit
//   --press KEYS          on a fake clock, press the keys named (SDL's names, as
//                         "Right,Space,Left") one a second, as a user would

#include "../ExampleApplication.h"
#include "../ExampleCapture.h"
#include "Demos.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Keyboard.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"
#include "tessera/CCScene.h"
#include "tessera/CCTransition.h"
#include "tessera/ccMacros.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// [SECTION] The demos, in the order shown

constexpr Demo kDemos[] = {
    {"Actions and easing", makeActionsDemo},
    {"Sprites and batches", makeSpritesDemo},
    {"Labels", makeLabelsDemo},
    {"Particles", makeParticlesDemo},
    {"Menus", makeMenusDemo},
    {"Grid effects", makeGridDemo},
    {"Render texture", makeRenderTextureDemo},
    {"Progress timers", makeProgressDemo},
    {"Tile map, parallax, streak", makeTileMapDemo},
    {"Sound board", makeAudioDemo},
    {"Custom fonts", makeFontsDemo},
};
constexpr std::size_t kDemoCount = sizeof(kDemos) / sizeof(kDemos[0]);
constexpr float kTransitionSeconds = 0.5f;

// [SECTION] Options

long g_frameLimit = 0;       // --frames
std::string g_contactSheet;  // --contact-sheet
double g_sheetAt = 1.0;      // --at
std::vector<std::string> g_presses;  // --press
bool contactSheetMode() { return !g_contactSheet.empty(); }

// [SECTION] The browser scene

CCScene* browserScene(std::size_t index);

// Goes to demo `index` (wrapping around both ways); forward slides in from
// the right, back from the left.
void showDemo(std::size_t index, bool forward) {
  CCScene* scene = browserScene(index % kDemoCount);
  if (scene == nullptr) return;
  if (forward) {
    CCDirector::sharedDirector()->replaceScene(CCTransitionSlideInR::transitionWithDuration(kTransitionSeconds, scene));
  } else {
    CCDirector::sharedDirector()->replaceScene(CCTransitionSlideInL::transitionWithDuration(kTransitionSeconds, scene));
  }
}

// One demo's content under its title, with "<" and ">" at the bottom. Keys
// and the menu act only while the scene is on screen and no transition runs,
// so a quick double press cannot start a second transition over the first.
class BrowserScene : public CCScene {
  PLATFORM_CLASS(BrowserScene, CCScene)
 public:
  CC_NODE_FACTORY(BrowserScene)

  bool build(std::size_t index) {
    index_ = index;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccc4(16, 18, 30, 255)), -1);
    CCNode* content = kDemos[index].make();
    if (content == nullptr) {
      CCLOG("tessera-demos: the %s demo could not be built", kDemos[index].title);
      return false;
    }
    addChild(content);

    const std::string title = std::to_string(index + 1) + "/" + std::to_string(kDemoCount) + "  " + kDemos[index].title;
    CCLabelTTF* label = CCLabelTTF::labelWithString(title, "Helvetica", 22);
    if (!label) return false;
    label->setPosition(CGPointMake(size.width / 2, size.height - 18));
    addChild(label, 10);

    CCMenuItemFont::setFontSize(30);
    CCMenuItem* previous = CCMenuItemFont::itemFromString("<", [this](CCMenuItem*) { go(false); });
    CCMenuItem* next = CCMenuItemFont::itemFromString(">", [this](CCMenuItem*) { go(true); });
    if (!previous || !next) return false;
    CCMenu* menu = CCMenu::menuWithItems({previous, next});
    menu->alignItemsHorizontallyWithPadding(size.width - 100);
    menu->setPosition(CGPointMake(size.width / 2, 22));
    addChild(menu, 10);
    return true;
  }

  void onEnterTransitionDidFinish() override {
    CCScene::onEnterTransitionDidFinish();
    std::printf("%s: showing %zu/%zu %s\n", program_invocation_short_name, index_ + 1, kDemoCount, kDemos[index_].title);
    current_ = this;
    platform::setKeyObserver([](std::string_view key) {
      if (current_ == nullptr) return;
      if (key == "Right" || key == "Space") current_->go(true);
      else if (key == "Left") current_->go(false);
    });
  }
  void onExit() override {
    if (current_ == this) {
      current_ = nullptr;
      platform::setKeyObserver(nullptr);
    }
    CCScene::onExit();
  }

  std::size_t index() const { return index_; }

 private:
  void go(bool forward) {
    if (current_ != this) return;
    current_ = nullptr;
    showDemo(forward ? index_ + 1 : index_ + kDemoCount - 1, forward);
  }

  std::size_t index_ = 0;
  static inline BrowserScene* current_ = nullptr;
};

CCScene* browserScene(std::size_t index) {
  BrowserScene* scene = BrowserScene::node();
  if (scene == nullptr || !scene->build(index)) return nullptr;
  return scene;
}

// [SECTION] Frame counting and the contact sheet

// Visited after the running scene every frame. Counts frames for --frames;
// for --contact-sheet keeps each demo's frame at --at seconds, then shows
// the next demo (without a transition, so each starts from its beginning).
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
    if (contactSheetMode()) watch();
    // One key a second; a key that comes during a transition is ignored
    // as it would be from the keyboard.
    if (!g_presses.empty() && frames_ % 60 == 0 && nextPress_ < g_presses.size()) {
      platform::deliverKeyPress(g_presses[nextPress_++]);
    }
  }

 private:
  void watch() {
    auto* scene = dynamic_cast<BrowserScene*>(CCDirector::sharedDirector()->runningScene());
    if (scene != current_) {
      current_ = scene;
      framesInScene_ = 0;
    }
    if (scene == nullptr) return;
    // The last presented frame is the one before this: the wanted one once
    // that many frames (and the one the scene starts in) have passed.
    if (++framesInScene_ != static_cast<int>(g_sheetAt * 60) + 2) return;
    cells_.push_back(halfSizeFrame(platform::captureLastPresentedFrame()));
    if (cells_.size() == kDemoCount) {
      if (writeContactSheet(cells_, 4, g_contactSheet)) {
        std::printf("%s: wrote %s (%zu demos)\n", program_invocation_short_name, g_contactSheet.c_str(), cells_.size());
      } else {
        CCLOG("tessera-demos: cannot write %s", g_contactSheet.c_str());
      }
      platform::Application::sharedApplication()->terminate();
      return;
    }
    if (CCScene* next = browserScene(scene->index() + 1)) CCDirector::sharedDirector()->replaceScene(next);
  }

  long frames_ = 0;
  std::size_t nextPress_ = 0;
  BrowserScene* current_ = nullptr;  // compared only, never used
  int framesInScene_ = 0;
  std::vector<platform::CapturedFrame> cells_;
};

class DemosDelegate : public ExampleDelegate {
  PLATFORM_CLASS(DemosDelegate, ExampleDelegate)

 public:
  void applicationDidFinishLaunching(platform::Application* application) override {
    ExampleDelegate::applicationDidFinishLaunching(application);
    CCDirector::sharedDirector()->setNotificationNode(FrameWatcher::node());
  }
  void applicationWillTerminate(platform::Application* application) override {
    platform::setKeyObserver(nullptr);
    ExampleDelegate::applicationWillTerminate(application);
    endAudioDemo();
  }

 protected:
  CCScene* firstScene() override { return browserScene(0); }
};

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--frames N] [--contact-sheet FILE [--at SECONDS]] [--press KEY,KEY,...]\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
      g_frameLimit = std::strtol(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && hasValue) {
      g_contactSheet = argv[++i];
    } else if (std::strcmp(argv[i], "--at") == 0 && hasValue) {
      char* end = nullptr;
      g_sheetAt = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !(g_sheetAt >= 0 && g_sheetAt <= 60)) return usage(argv[0]);
    } else if (std::strcmp(argv[i], "--press") == 0 && hasValue) {
      const std::string keys = argv[++i];
      for (std::size_t start = 0; start <= keys.size();) {
        const std::size_t comma = std::min(keys.find(',', start), keys.size());
        if (comma == start) return usage(argv[0]);
        g_presses.push_back(keys.substr(start, comma - start));
        start = comma + 1;
      }
    } else {
      return usage(argv[0]);
    }
  }
  if (contactSheetMode() || !g_presses.empty()) platform::facts().fakeClock = true;

  // The frame limit lives in FrameWatcher, so ExampleApplication's own
  // option parsing sees only the program name.
  char* programOnly[] = {argv[0], nullptr};
  const int status = runExample(1, programOnly, "DemosDelegate");
  endAudioDemo();
  removeDemoFolder();
  return status;
}
