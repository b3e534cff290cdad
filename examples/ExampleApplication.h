#pragma once
// What every example program shares: the command line (`--frames N`), the
// application delegate that opens a window the size of the screen, attaches
// the director's GL view and runs the example's first scene, and a scene
// base that ends the program after N frames.
//
// An example names its delegate and its first scene:
//
//   class ParticlesDelegate : public ExampleDelegate {
//     PLATFORM_CLASS(ParticlesDelegate, ExampleDelegate)
//    protected:
//     CCScene* firstScene() override { return ParticlesScene::node(); }
//   };
//   int main(int argc, char** argv) { return runExample(argc, argv, "ParticlesDelegate"); }
//
// CI runs each example headless with `--frames 2` (SDL_VIDEODRIVER=offscreen
// or TESSERA_HEADLESS=1); TESSERA_CAPTURE and TESSERA_CAPTURE_AT write a
// still, as for the application.

#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScene.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/// Frames to draw before quitting; 0 runs until the window is closed.
inline long g_exampleFrameLimit = 0;

/// A scene that counts the frames it draws and ends the application after
/// the limit given with `--frames`.
class ExampleScene : public CCScene {
  PLATFORM_CLASS(ExampleScene, CCScene)

 public:
  void visit() override {
    CCScene::visit();
    ++frames_;
    if (g_exampleFrameLimit > 0 && frames_ == g_exampleFrameLimit) {
      std::printf("%s: drew %ld frames\n", program_invocation_short_name, frames_);
      platform::Application::sharedApplication()->terminate();
    }
  }

 private:
  long frames_ = 0;
};

/// Initialization: a window the size of the screen, the display-refresh
/// director where the system has it (else the timer director), 32-bit colour,
/// the GL view attached to the window, then firstScene(). Resigning active
/// pauses the director, becoming active resumes it, terminating ends it.
class ExampleDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(ExampleDelegate, platform::ApplicationDelegate)

 public:
  void applicationDidFinishLaunching(platform::Application*) override {
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) CCDirector::setDirectorType(kCCDirectorTypeTimer);
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    // 32-bit colour: gradients and particles in the default 16 bits show bands.
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    if (!director->attachInWindow(window_.get())) {
      CCLOG("%s: could not attach the GL view", program_invocation_short_name);
      std::exit(1);
    }
    director->setAnimationInterval(1.0 / 60.0);
    window_->makeKeyAndVisible();

    CCScene* scene = firstScene();
    if (scene == nullptr) {
      CCLOG("%s: could not build the scene", program_invocation_short_name);
      std::exit(1);
    }
    director->runWithScene(scene);
  }

  void applicationWillResignActive(platform::Application*) override { CCDirector::sharedDirector()->pause(); }
  void applicationDidBecomeActive(platform::Application*) override { CCDirector::sharedDirector()->resume(); }

  // De-initialization.
  void applicationWillTerminate(platform::Application*) override {
    CCDirector::sharedDirector()->end();
    window_ = nullptr;
  }

 protected:
  /// The example's first scene (autoreleased), or nullptr when it cannot be
  /// built, which ends the program.
  virtual CCScene* firstScene() { return nullptr; }

 private:
  platform::Ref<platform::Window> window_;
};

/// Reads `--frames N`, points the resource folder at the shared resources
/// (the director's frame-rate digits, the presets' images) unless
/// TESSERA_RESOURCE_DIR names another, and runs the application with the
/// delegate class named `delegateClassName`. Returns the exit status.
inline int runExample(int argc, char** argv, const char* delegateClassName) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      g_exampleFrameLimit = std::strtol(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
      return 2;
    }
  }
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_EXAMPLE_RESOURCES;
  const int status = platform::applicationMain(argc, argv, delegateClassName);
  CCDirector::purgeSharedDirector();
  return status;
}
