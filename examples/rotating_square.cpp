// tessera [director] example: a coloured square turning in the middle of the
// screen, drawn through the director, the GL view and its renderer.
//
// Shows: choosing a loop variant (display refresh, falling back to a timer),
// attaching the GL view to a window, running a scene, a repeating action, and
// ending the director when the application terminates.
//
// Usage: rotating_square [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)

#include "platform/Application.h"
#include "platform/Log.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCNode.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Frames to draw before quitting; 0 runs until the window is closed.
long g_frameLimit = 0;

// A square of `side` points centred on the node's position, one colour per
// corner. It draws without a texture and restores the states it turns off.
class ColourSquare : public CCNode {
  PLATFORM_CLASS(ColourSquare, CCNode)
 public:
  CC_NODE_FACTORY(ColourSquare)

  static ColourSquare* squareWithSide(float side) {
    ColourSquare* square = node();
    square->setContentSize(CGSizeMake(side, side));
    square->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    return square;
  }

  void draw() override {
    const CGSize size = contentSizeInPixels();
    const GLfloat vertices[] = {0, 0, size.width, 0, 0, size.height, size.width, size.height};
    const GLubyte colours[] = {255, 64, 64, 255, 64, 255, 64, 255, 64, 64, 255, 255, 255, 255, 64, 255};
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
  }
};

// The scene counts its frames and ends the application after the limit.
class RotatingSquareScene : public CCScene {
  PLATFORM_CLASS(RotatingSquareScene, CCScene)
 public:
  CC_NODE_FACTORY(RotatingSquareScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    ColourSquare* square = ColourSquare::squareWithSide(120);
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
  const int status = platform::applicationMain(argc, argv, "RotatingSquareDelegate");
  CCDirector::purgeSharedDirector();
  return status;
}
