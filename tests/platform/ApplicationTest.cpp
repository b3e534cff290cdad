#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Keyboard.h"
#include "platform/Notifications.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/Time.h"
#include "platform/ViewController.h"
#include "platform/Window.h"
#include "support/TestSupport.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using platform::Application;
using platform::Ref;
using platform::RunLoop;
using testing::ElementsAre;

namespace {

std::vector<std::string> g_trace;

class TracingController : public platform::ViewController {
  PLATFORM_CLASS(TracingController, ViewController)
 public:
  bool shouldAutorotateToInterfaceOrientation(int orientation) override {
    g_trace.push_back("shouldAutorotate " + std::to_string(orientation));
    return orientation == 3 || orientation == 4;
  }
  void willRotateToInterfaceOrientation(int orientation, double duration) override {
    g_trace.push_back("willRotate " + std::to_string(orientation) + " " + std::to_string(duration));
  }
  void didReceiveMemoryWarning() override { g_trace.push_back("controller memory warning"); }
};

// Builds a window whose root view belongs to a TracingController, as the
// application's delegate does, and records every callback.
class TracingDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(TracingDelegate, ApplicationDelegate)
 public:
  void applicationDidFinishLaunching(Application*) override {
    g_trace.push_back("didFinishLaunching");
    window = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    controller = Ref<TracingController>::adopt(new TracingController());
    controller->setView(platform::View::viewWithFrame(window->bounds()));
    window->addSubview(controller->view());
    window->makeKeyAndVisible();
  }
  void applicationWillResignActive(Application*) override { g_trace.push_back("willResignActive"); }
  void applicationDidBecomeActive(Application*) override { g_trace.push_back("didBecomeActive"); }
  void applicationDidReceiveMemoryWarning(Application*) override { g_trace.push_back("memory warning"); }
  void applicationDidEnterBackground(Application*) override { g_trace.push_back("didEnterBackground"); }
  void applicationWillEnterForeground(Application*) override { g_trace.push_back("willEnterForeground"); }
  void applicationWillTerminate(Application*) override {
    g_trace.push_back("willTerminate");
    window = nullptr;
    controller = nullptr;
  }
  void applicationSignificantTimeChange(Application*) override { g_trace.push_back("significantTimeChange"); }

  Ref<platform::Window> window;
  Ref<TracingController> controller;
};

class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    platform::facts().headless = true;
    auto* delegate = new TracingDelegate();
    delegate_ = delegate;
    delegate->release();
    application()->setDelegate(delegate);
    for (const char* name : {platform::kApplicationWillResignActiveNotification,
                             platform::kApplicationDidBecomeActiveNotification,
                             platform::kApplicationWillTerminateNotification}) {
      platform::NotificationCenter::defaultCenter().addObserver(
          this, name, [](const platform::Notification& note) { g_trace.push_back("posted " + note.name); });
    }
  }
  void TearDown() override {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    application()->terminate();
    Application::purgeSharedApplication();
    delegate_ = nullptr;
    platform::resetFacts();
  }
  static Application* application() { return Application::sharedApplication(); }

  platform::ManualClock clock_;
  Ref<TracingDelegate> delegate_;
};

// [SECTION] Launch and lifecycle

// Showing the window during launch turns the interface at once, so the rest of
// the launch (the first scene) sees the landscape size.
TEST_F(ApplicationTest, ShowingTheWindowDuringLaunchTurnsToTheInitialOrientationOnce) {
  application()->launch();
  EXPECT_THAT(g_trace, ElementsAre("didFinishLaunching", "shouldAutorotate 3", "willRotate 3 0.000000",
                                   "didBecomeActive", "posted UIApplicationDidBecomeActiveNotification"));
  EXPECT_EQ(delegate_->controller->interfaceOrientation(), 3);
  EXPECT_EQ(delegate_->window->interfaceOrientation(), 3);
  EXPECT_EQ(delegate_->window->bounds().size.width, 480);  // the window turned with the interface
  EXPECT_EQ(application()->state(), Application::State::Active);
}

TEST_F(ApplicationTest, RefusedOrientationGetsNoRotation) {
  platform::facts().initialOrientation = 1;
  application()->launch();
  EXPECT_THAT(g_trace, ElementsAre("didFinishLaunching", "shouldAutorotate 1", "didBecomeActive",
                                   "posted UIApplicationDidBecomeActiveNotification"));
  EXPECT_EQ(delegate_->window->interfaceOrientation(), 1);
}

TEST_F(ApplicationTest, LifecycleEventsFollowThePlatformOrderAndIgnoreRepeats) {
  application()->launch();
  g_trace.clear();
  application()->becomeActive();  // already active
  application()->resignActive();
  application()->resignActive();
  application()->becomeActive();
  application()->enterBackground();  // resigns first
  application()->enterForeground();
  application()->becomeActive();
  application()->receiveMemoryWarning();
  application()->terminate();
  application()->terminate();
  EXPECT_THAT(g_trace,
              ElementsAre("willResignActive", "posted UIApplicationWillResignActiveNotification", "didBecomeActive",
                          "posted UIApplicationDidBecomeActiveNotification", "willResignActive",
                          "posted UIApplicationWillResignActiveNotification", "didEnterBackground",
                          "willEnterForeground", "didBecomeActive", "posted UIApplicationDidBecomeActiveNotification",
                          "memory warning", "controller memory warning", "willTerminate",
                          "posted UIApplicationWillTerminateNotification"));
}

TEST_F(ApplicationTest, TerminateEndsTheRunLoop) {
  application()->launch();
  platform::Timer::scheduledTimer(0.5, false, [](platform::Timer*) { Application::sharedApplication()->terminate(); });
  RunLoop::main().run();
  EXPECT_EQ(application()->state(), Application::State::Terminated);
}

TEST_F(ApplicationTest, WallClockJumpIsASignificantTimeChange) {
  application()->launch();
  g_trace.clear();
  RunLoop::main().runFor(2.0);  // both clocks move together: nothing
  platform::TimeValue now = clock_.now();
  clock_.set({now.seconds, now.microseconds + 500000});  // half a second: not significant
  RunLoop::main().runOnce(false);
  EXPECT_TRUE(g_trace.empty());
  now = clock_.now();
  clock_.set({now.seconds - 3600, now.microseconds});
  RunLoop::main().runOnce(false);
  EXPECT_THAT(g_trace, ElementsAre("significantTimeChange"));
}

TEST_F(ApplicationTest, SignalsBecomeMemoryWarningAndTermination) {
  application()->launch();
  Application::installSignalHandlers();
  g_trace.clear();
  std::raise(SIGUSR1);
  RunLoop::main().runOnce(false);
  EXPECT_THAT(g_trace, ElementsAre("memory warning", "controller memory warning"));
  std::raise(SIGTERM);
  RunLoop::main().runOnce(false);
  Application::removeSignalHandlers();
  EXPECT_EQ(application()->state(), Application::State::Terminated);
}

TEST_F(ApplicationTest, WindowEventsDriveTheLifecycle) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  platform::facts().headless = false;
  application()->launch();
  platform::Window* window = delegate_->window;
  if (!window->hasNativeWindow()) GTEST_SKIP() << "no SDL window: " << SDL_GetError();
  while (RunLoop::main().runOnce(false)) {
  }
  g_trace.clear();
  auto send = [&](SDL_WindowEventID kind) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window->nativeWindowID();
    event.window.event = static_cast<Uint8>(kind);
    SDL_PushEvent(&event);
    while (RunLoop::main().runOnce(false)) {
    }
  };
  send(SDL_WINDOWEVENT_FOCUS_LOST);
  send(SDL_WINDOWEVENT_FOCUS_GAINED);
  send(SDL_WINDOWEVENT_MINIMIZED);
  send(SDL_WINDOWEVENT_RESTORED);
  send(SDL_WINDOWEVENT_FOCUS_GAINED);
  send(SDL_WINDOWEVENT_CLOSE);
  std::erase_if(g_trace, [](const std::string& line) { return line.starts_with("posted"); });
  EXPECT_THAT(g_trace, ElementsAre("willResignActive", "didBecomeActive", "willResignActive", "didEnterBackground",
                                   "willEnterForeground", "didBecomeActive", "willTerminate"));
}

TEST_F(ApplicationTest, KeyPressesReachTheKeyObserverExceptTheWindowsOwnKeys) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  platform::facts().headless = false;
  application()->launch();
  platform::Window* window = delegate_->window;
  if (!window->hasNativeWindow()) GTEST_SKIP() << "no SDL window: " << SDL_GetError();
  std::vector<std::string> keys;
  platform::setKeyObserver([&](std::string_view name) { keys.emplace_back(name); });
  auto press = [&](SDL_Keycode code, Uint16 modifiers, Uint8 repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = window->nativeWindowID();
    event.key.keysym.sym = code;
    event.key.keysym.mod = modifiers;
    event.key.repeat = repeat;
    SDL_PushEvent(&event);
    while (RunLoop::main().runOnce(false)) {
    }
  };
  press(SDLK_SPACE, KMOD_NONE, 0);
  press(SDLK_SPACE, KMOD_NONE, 1);   // held down: not a new press
  press(SDLK_ESCAPE, KMOD_NONE, 0);  // the window's: closes an ad
  press(SDLK_LEFT, KMOD_LCTRL, 0);   // the window's: turns the interface
  press(SDLK_RIGHT, KMOD_NONE, 0);
  press(SDLK_a, KMOD_LSHIFT, 0);
  platform::setKeyObserver(nullptr);
  press(SDLK_SPACE, KMOD_NONE, 0);
  EXPECT_THAT(keys, ElementsAre("Space", "Right", "A"));
}

// [SECTION] Status bar

TEST_F(ApplicationTest, StatusBarFrameIsZeroWhileHiddenAndFollowsItsOrientation) {
  EXPECT_TRUE(CGRectEqualToRect(application()->statusBarFrame(), CGRectZero));
  application()->setStatusBarHidden(false);
  EXPECT_TRUE(CGRectEqualToRect(application()->statusBarFrame(), CGRectMake(0, 0, 320, 20)));
  application()->setStatusBarOrientation(3);
  EXPECT_TRUE(CGRectEqualToRect(application()->statusBarFrame(), CGRectMake(0, 0, 20, 480)));
  application()->setStatusBarOrientation(7);  // ignored
  EXPECT_EQ(application()->statusBarOrientation(), 3);
}

// [SECTION] Entry point and capture files

TEST(ApplicationMainTest, UnknownDelegateClassFailsWithALogLine) {
  testing_support::LogCapture log;
  EXPECT_EQ(platform::applicationMain(0, nullptr, "NoSuchDelegate"), 1);
  EXPECT_THAT(log.text(), testing::HasSubstr("NoSuchDelegate"));
}

std::uint32_t readBigEndian(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         bytes[3];
}

// Reads back a PNG as the writer makes it (8-bit RGBA, unfiltered rows),
// checking the signature, the chunk order and every checksum on the way.
platform::CapturedFrame readPNG(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::vector<unsigned char> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(signature.begin(), signature.end(), png.begin())) {
    ADD_FAILURE() << "not a PNG signature";
    return {};
  }
  platform::CapturedFrame frame;
  std::vector<std::string> chunks;
  std::vector<unsigned char> compressed;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = readBigEndian(&png[at]);
    if (at + 12 + length > png.size()) break;
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    chunks.push_back(type);
    EXPECT_EQ(crc32(0, &png[at + 4], 4 + length), readBigEndian(&png[at + 8 + length])) << type;
    if (type == "IHDR") {
      frame.width = static_cast<int>(readBigEndian(&png[at + 8]));
      frame.height = static_cast<int>(readBigEndian(&png[at + 12]));
      EXPECT_EQ(png[at + 16], 8);  // bit depth
      EXPECT_EQ(png[at + 17], 6);  // RGBA
    }
    if (type == "IDAT") compressed.insert(compressed.end(), &png[at + 8], &png[at + 8] + length);
    at += 12 + length;
  }
  EXPECT_THAT(chunks, ElementsAre("IHDR", "IDAT", "IEND"));
  const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
  std::vector<unsigned char> raw(frame.height * (rowBytes + 1));
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()) != Z_OK || rawSize != raw.size()) {
    ADD_FAILURE() << "bad image data";
    return {};
  }
  for (int row = 0; row < frame.height; ++row) {
    const unsigned char* line = &raw[row * (rowBytes + 1)];
    EXPECT_EQ(line[0], 0) << "row " << row << " filter";
    frame.rgba.insert(frame.rgba.end(), line + 1, line + 1 + rowBytes);
  }
  return frame;
}

TEST(CapturedFrameTest, PNGFileHoldsTheRowsTopFirst) {
  platform::CapturedFrame frame;
  frame.width = 2;
  frame.height = 2;
  frame.rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 1, 2, 3, 4};
  const std::string path = testing::TempDir() + "frame.png";
  ASSERT_TRUE(platform::writeFrameAsPNG(frame, path));
  const platform::CapturedFrame read = readPNG(path);
  EXPECT_EQ(read.width, 2);
  EXPECT_EQ(read.height, 2);
  EXPECT_EQ(read.rgba, frame.rgba);
  std::remove(path.c_str());
}

TEST(CapturedFrameTest, EmptyFrameOrUnwritablePathFails) {
  testing_support::LogCapture log;
  EXPECT_FALSE(platform::writeFrameAsPNG({}, testing::TempDir() + "none.png"));
  platform::CapturedFrame frame{1, 1, {0, 0, 0, 255}};
  EXPECT_FALSE(platform::writeFrameAsPNG(frame, "/nonexistent-folder/frame.png"));
  EXPECT_EQ(log.lines().size(), 2u);
}

// [SECTION] A whole run: launch, frames on a fake clock, capture, quit

// A GL view as the engine makes one: its own frame buffer whose colour comes
// from the view's drawable, a layout that sizes it, a frame per refresh whose
// red channel counts the frames.
class CountingGLView : public platform::View {
  PLATFORM_CLASS(CountingGLView, View)
 public:
  bool setUp() {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) return false;
    drawable_ = platform::GLDrawable::drawableForView(this);
    const auto& gl = platform::glExtensions();
    gl.glGenFramebuffersOES(1, &framebuffer_);
    gl.glGenRenderbuffersOES(1, &renderbuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                    renderbuffer_);
    return true;
  }
  void tearDown() {
    const auto& gl = platform::glExtensions();
    gl.glDeleteFramebuffersOES(1, &framebuffer_);
    gl.glDeleteRenderbuffersOES(1, &renderbuffer_);
    platform::GLContext::setCurrentContext(nullptr);
  }
  void layoutSubviews() override {
    context_->renderbufferStorageFromDrawable(GL_RENDERBUFFER_OES, drawable_);
    ++layouts;
    drawFrame();
  }
  void refresh(platform::DisplayLink*) {
    ++frames;
    drawFrame();
  }
  int layouts = 0;
  int frames = 0;

 private:
  void drawFrame() {
    const CGSize size = drawable_->pixelSize();
    glViewport(0, 0, static_cast<GLsizei>(size.width), static_cast<GLsizei>(size.height));
    glClearColor(static_cast<float>(frames) / 255, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    context_->presentRenderbuffer(GL_RENDERBUFFER_OES);
  }
  Ref<platform::GLContext> context_;
  Ref<platform::GLDrawable> drawable_;
  GLuint framebuffer_ = 0;
  GLuint renderbuffer_ = 0;
};

class CapturingDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(CapturingDelegate, ApplicationDelegate)
 public:
  static inline int framesAtEnd = -1;
  static inline int layoutsAtEnd = -1;

  void applicationDidFinishLaunching(Application*) override {
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    view_ = Ref<CountingGLView>::adopt(new CountingGLView());
    view_->initWithFrame(CGRectMake(0, 0, 48, 32));
    if (!view_->setUp()) return;
    window_->addSubview(view_);
    window_->makeKeyAndVisible();
    link_ = platform::DisplayLink::displayLinkWithTarget(view_, CC_SEL(CountingGLView::refresh));
    link_->addToRunLoop(RunLoop::main());
  }
  void applicationWillTerminate(Application*) override {
    framesAtEnd = view_->frames;
    layoutsAtEnd = view_->layouts;
    link_->invalidate();
    view_->tearDown();
  }

 private:
  Ref<platform::Window> window_;
  Ref<CountingGLView> view_;
  Ref<platform::DisplayLink> link_;
};

TEST(ApplicationMainTest, CapturesTheFramePresentedAtTheCaptureTimeAndQuits) {
  {
    Ref<platform::GLContext> probe = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1 context on this machine";
  }
  platform::facts().headless = true;
  platform::facts().fakeClock = true;
  platform::facts().captureFile = testing::TempDir() + "capture.png";
  platform::facts().captureAt = 0.5;
  testing_support::LogCapture log;
  const int result = platform::applicationMain(0, nullptr, "CapturingDelegate");
  Application::removeSignalHandlers();
  platform::resetFacts();

  EXPECT_EQ(result, 0);
  EXPECT_EQ(CapturingDelegate::layoutsAtEnd, 1);
  EXPECT_EQ(CapturingDelegate::framesAtEnd, 30);  // the refresh at 30/60 s, then the quit at the next pass
  const platform::CapturedFrame frame = readPNG(testing::TempDir() + "capture.png");
  ASSERT_EQ(frame.width, 48);
  ASSERT_EQ(frame.height, 32);
  EXPECT_EQ(frame.rgba[0], 30);
  EXPECT_EQ(frame.rgba[2], 255);
  std::remove((testing::TempDir() + "capture.png").c_str());
}

// [SECTION] Notifications

TEST(NotificationCenterTest, ObserversRunInOrderAndRemovalDuringAPostTakesEffectAtOnce) {
  platform::NotificationCenter center;
  std::vector<std::string> calls;
  platform::NotificationCenter::Token second = 0;
  center.addObserver(nullptr, "ping", [&](const platform::Notification&) {
    calls.push_back("first");
    center.removeObserver(second);
    center.addObserver(nullptr, "ping", [&](const platform::Notification&) { calls.push_back("late"); });
  });
  second = center.addObserver(nullptr, "ping", [&](const platform::Notification&) { calls.push_back("second"); });
  center.addObserver(&calls, "", [&](const platform::Notification& note) { calls.push_back("any " + note.name); });
  center.post("ping");
  EXPECT_THAT(calls, ElementsAre("first", "any ping"));
  calls.clear();
  center.removeObserver(&calls);
  center.post("pong");
  EXPECT_TRUE(calls.empty());
}

}  // namespace
