#pragma once
// The start-up every program of the guide shares: an application delegate
// that opens a window, attaches the director's GL view and runs the
// program's first scene, and a main() helper that reads `--frames N` (CTest
// runs each program headless for two frames) and points the resource folder
// at the guide's resources.

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/Ref.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/ccMacros.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

/// Ends the application after a number of scheduler ticks (one per frame).
class FrameLimit : public platform::Object {
  PLATFORM_CLASS(FrameLimit, platform::Object)

 public:
  static inline long limit = 0;

  void tick(float) {
    if (++frames_ == limit) platform::Application::sharedApplication()->terminate();
  }

 private:
  long frames_ = 0;
};

// [guide:delegate]
class GameDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(GameDelegate, platform::ApplicationDelegate)

 public:
  void applicationDidFinishLaunching(platform::Application*) override {
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    CCDirector::setDirectorType(kCCDirectorTypeTimer);
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    if (!director->attachInWindow(window_.get())) {
      std::fprintf(stderr, "could not attach the GL view\n");
      std::exit(1);
    }
    director->setAnimationInterval(1.0 / 60.0);
    window_->makeKeyAndVisible();
    CCScene* scene = firstScene();
    if (scene == nullptr) {
      std::fprintf(stderr, "could not build the first scene\n");
      std::exit(1);
    }
    director->runWithScene(scene);
  }

  void applicationWillResignActive(platform::Application*) override { CCDirector::sharedDirector()->pause(); }
  void applicationDidBecomeActive(platform::Application*) override { CCDirector::sharedDirector()->resume(); }

  void applicationWillTerminate(platform::Application*) override {
    CCDirector::sharedDirector()->end();
    window_ = nullptr;
  }

 protected:
  /// The first scene, autoreleased.
  virtual CCScene* firstScene() = 0;

 private:
  platform::Ref<platform::Window> window_;
};
// [guide:end]


/// Reads `--frames N`, uses the guide's resources unless TESSERA_RESOURCE_DIR
/// names another folder, and runs the application with the delegate class
/// `delegateClassName`. Returns the exit status.
inline int runGame(int argc, char** argv, const char* delegateClassName) {
  platform::Ref<FrameLimit> limiter = platform::Ref<FrameLimit>::adopt(new FrameLimit());
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      FrameLimit::limit = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
      return 2;
    }
  }
  if (FrameLimit::limit > 0) {
    CCScheduler::sharedScheduler()->scheduleSelector(schedule_selector(FrameLimit::tick), limiter.get(), 0,
                                                     false);
  }
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = GUIDE_RESOURCES;
  const int status = platform::applicationMain(argc, argv, delegateClassName);
  CCDirector::purgeSharedDirector();
  return status;
}
