// tessera [director] example: a coloured square layer turning in the middle
// of the screen over a gradient, drawn through the director, the GL view and
// its renderer.
//
// Shows: choosing a loop variant (display refresh, falling back to a timer),
// attaching the GL view to a window, running a scene of layers, turning a
// layer about its centre with a repeating action, and ending the director when
// the application terminates.
//
// Usage: rotating_square [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still of the square a quarter turn on (one turn takes 4 s), with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=square.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Frames to draw before quitting; 0 runs until the window is closed.
long g_frameLimit = 0;

// The scene: a gradient filling the screen, and a square colour layer at its
// centre that turns once every four seconds. The scene counts its frames and
// ends the application after the limit.
class RotatingSquareScene : public CCScene {
  PLATFORM_CLASS(RotatingSquareScene, CCScene)
 public:
  CC_NODE_FACTORY(RotatingSquareScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();

    // Midnight blue at the top fading to near black at the bottom.
    addChild(CCLayerGradient::layerWithColor(ccc4(40, 60, 140, 255), ccc4(5, 5, 20, 255), CGPointMake(0, -1)));

    // A layer's position is normally its bottom-left corner and it turns
    // about that corner. With a relative anchor point the position names the
    // anchor instead, and (0.5, 0.5) puts it, and the pivot, at the centre.
    CCLayerColor* square = CCLayerColor::layerWithColor(ccc4(255, 140, 30, 255), 120, 120);
    square->setIsRelativeAnchorPoint(true);
    square->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    square->setPosition(CGPointMake(size.width / 2, size.height / 2));
    square->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(4, 360)));
    addChild(square);
    return true;
  }

  void visit() override {
    CCScene::visit();
    ++frames_;
    if (g_frameLimit > 0 && frames_ == g_frameLimit) {
      std::printf("rotating_square: drew %ld frames\n", frames_);
      platform::Application::sharedApplication()->terminate();
    }
  }

 private:
  long frames_ = 0;
};

class RotatingSquareDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(RotatingSquareDelegate, platform::ApplicationDelegate)
 public:
  void applicationDidFinishLaunching(platform::Application*) override {
    // Initialization: a window the size of the screen, the display-refresh
    // director where the system has it, the GL view attached to the window.
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) CCDirector::setDirectorType(kCCDirectorTypeTimer);
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    // 32-bit colour: a gradient in the default 16 bits shows bands.
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    if (!director->attachInWindow(window_.get())) {
      CCLOG("rotating_square: could not attach the GL view");
      std::exit(1);
    }
    director->setAnimationInterval(1.0 / 60.0);
    window_->makeKeyAndVisible();

    // Update and draw: the director runs the scene; the action turns the square.
    director->runWithScene(RotatingSquareScene::node());
  }

  void applicationWillResignActive(platform::Application*) override { CCDirector::sharedDirector()->pause(); }
  void applicationDidBecomeActive(platform::Application*) override { CCDirector::sharedDirector()->resume(); }

  // De-initialization.
  void applicationWillTerminate(platform::Application*) override {
    CCDirector::sharedDirector()->end();
    window_ = nullptr;
  }

 private:
  platform::Ref<platform::Window> window_;
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      g_frameLimit = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
      return 2;
    }
  }
  // The frame-rate digits the director loads come from the shared resources.
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_EXAMPLE_RESOURCES;
  const int status = platform::applicationMain(argc, argv, "RotatingSquareDelegate");
  CCDirector::purgeSharedDirector();
  return status;
}
