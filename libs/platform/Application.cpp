#include "platform/Application.h"

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/GLContextInternal.h"
#include "platform/Log.h"
#include "platform/Notifications.h"
#include "platform/Random.h"
#include "platform/RunLoop.h"
#include "platform/RunLoopInternal.h"
#include "platform/Screen.h"
#include "platform/Time.h"
#include "platform/ViewController.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"

#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

// [SECTION] Signals
// [SECTION] Shared application
// [SECTION] Launch and lifecycle
// [SECTION] Status bar
// [SECTION] Frame capture
// [SECTION] Entry point
// [SECTION] PNG writing

namespace platform {

namespace {

// A clock change of more than this many seconds is significant.
constexpr double kSignificantClockJump = 1.0;

Application* g_sharedApplication = nullptr;

// [SECTION] Signals

std::atomic<bool> g_terminateSignalled{false};
std::atomic<bool> g_memoryWarningSignalled{false};
int g_signalHook = 0;

extern "C" void onTerminationSignal(int) { g_terminateSignalled = true; }
extern "C" void onMemoryWarningSignal(int) { g_memoryWarningSignalled = true; }

double wallSeconds() {
  const TimeValue now = wallClock();
  return static_cast<double>(now.seconds) + static_cast<double>(now.microseconds) / 1e6;
}

}  // namespace

void Application::installSignalHandlers() {
  if (g_signalHook) return;
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  action.sa_handler = onTerminationSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  action.sa_handler = onMemoryWarningSignal;
  sigaction(SIGUSR1, &action, nullptr);
  g_signalHook = detail::addPassHook(detail::PassHook{
      [] {
        bool handled = false;
        if (g_memoryWarningSignalled.exchange(false)) {
          sharedApplication()->receiveMemoryWarning();
          handled = true;
        }
        if (g_terminateSignalled.exchange(false)) {
          sharedApplication()->terminate();
          handled = true;
        }
        return handled;
      },
      [] { return g_terminateSignalled.load() || g_memoryWarningSignalled.load(); }});
}

void Application::removeSignalHandlers() {
  if (!g_signalHook) return;
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGUSR1, SIG_DFL);
  detail::removePassHook(std::exchange(g_signalHook, 0));
  g_terminateSignalled = false;
  g_memoryWarningSignalled = false;
}

// [SECTION] Shared application

Application* Application::sharedApplication() {
  if (g_sharedApplication == nullptr) g_sharedApplication = new Application();
  return g_sharedApplication;
}

Application* Application::existingApplication() { return g_sharedApplication; }

void Application::turnInterfaceDuringLaunch() {
  if (!launching_ || turnedDuringLaunch_) return;
  turnedDuringLaunch_ = true;
  rotateInterface(facts().initialOrientation, 0);
}

void Application::purgeSharedApplication() {
  Application* application = std::exchange(g_sharedApplication, nullptr);
  if (application) application->release();
}

Application::~Application() {
  stopPassHooks();
  if (g_sharedApplication == this) g_sharedApplication = nullptr;
}

void Application::setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }

// [SECTION] Launch and lifecycle

void Application::launch() {
  CCAssert(state_ == State::NotLaunched, "Application: launch() expects an application not yet launched");
  if (state_ != State::NotLaunched) return;
  Ref<Application> keep(this);
  launchTime_ = RunLoop::main().now();
  // Every launch draws the same random values for the same seed.
  seedRandomSources(randomSeed());
  if (!facts().captureFile.empty()) startCapture();
  launching_ = true;
  if (delegate_) delegate_->applicationDidFinishLaunching(this);
  launching_ = false;
  if (state_ == State::Terminated) return;
  if (Window* window = Window::keyWindow(); window && window->rootViewController() && !turnedDuringLaunch_) {
    rotateInterface(facts().initialOrientation, 0);
  }
  state_ = State::Active;
  startPassHooks();
  if (delegate_) delegate_->applicationDidBecomeActive(this);
  NotificationCenter::defaultCenter().post(kApplicationDidBecomeActiveNotification, this);
}

void Application::resignActive() {
  if (state_ != State::Active) return;
  Ref<Application> keep(this);
  state_ = State::Inactive;
  if (delegate_) delegate_->applicationWillResignActive(this);
  NotificationCenter::defaultCenter().post(kApplicationWillResignActiveNotification, this);
}

void Application::becomeActive() {
  if (state_ != State::Inactive) return;
  Ref<Application> keep(this);
  state_ = State::Active;
  if (delegate_) delegate_->applicationDidBecomeActive(this);
  NotificationCenter::defaultCenter().post(kApplicationDidBecomeActiveNotification, this);
}

void Application::enterBackground() {
  Ref<Application> keep(this);
  resignActive();
  if (state_ != State::Inactive) return;
  state_ = State::Background;
  if (delegate_) delegate_->applicationDidEnterBackground(this);
}

void Application::enterForeground() {
  if (state_ != State::Background) return;
  Ref<Application> keep(this);
  state_ = State::Inactive;
  if (delegate_) delegate_->applicationWillEnterForeground(this);
}

void Application::receiveMemoryWarning() {
  if (state_ == State::NotLaunched || state_ == State::Terminated) return;
  Ref<Application> keep(this);
  if (delegate_) delegate_->applicationDidReceiveMemoryWarning(this);
  if (Window* window = Window::keyWindow()) {
    if (Ref<ViewController> controller = window->rootViewController()) controller->didReceiveMemoryWarning();
  }
}

void Application::significantTimeChange() {
  if (state_ == State::NotLaunched || state_ == State::Terminated) return;
  Ref<Application> keep(this);
  if (delegate_) delegate_->applicationSignificantTimeChange(this);
}

void Application::terminate() {
  if (state_ == State::Terminated) return;
  Ref<Application> keep(this);
  state_ = State::Terminated;
  stopPassHooks();
  if (delegate_) delegate_->applicationWillTerminate(this);
  NotificationCenter::defaultCenter().post(kApplicationWillTerminateNotification, this);
  RunLoop::main().stop();
}

bool Application::rotateInterface(int orientation, double duration) {
  if (orientation < 1 || orientation > 4) return false;
  Ref<Window> window = Window::keyWindow();
  if (!window) return false;
  Ref<ViewController> controller = window->rootViewController();
  if (!controller || !controller->shouldAutorotateToInterfaceOrientation(orientation)) return false;
  controller->setInterfaceOrientation(orientation);
  window->setInterfaceOrientation(orientation);
  controller->willRotateToInterfaceOrientation(orientation, duration);
  return true;
}

bool Application::checkForClockChange() {
  const double wall = wallSeconds();
  const double monotonic = monotonicSeconds();
  const double drift = (wall - lastWallClock_) - (monotonic - lastMonotonic_);
  lastWallClock_ = wall;
  lastMonotonic_ = monotonic;
  if (std::fabs(drift) <= kSignificantClockJump) return false;
  significantTimeChange();
  return true;
}

void Application::startPassHooks() {
  if (clockHook_) return;
  lastWallClock_ = wallSeconds();
  lastMonotonic_ = monotonicSeconds();
  clockHook_ = detail::addPassHook(detail::PassHook{
      [] { return g_sharedApplication && g_sharedApplication->checkForClockChange(); }, nullptr});
}

void Application::stopPassHooks() {
  if (!clockHook_) return;
  detail::removePassHook(clockHook_);
  clockHook_ = 0;
}

// [SECTION] Status bar

void Application::setStatusBarOrientation(int orientation, bool) {
  if (orientation < 1 || orientation > 4) return;
  statusBarOrientation_ = orientation;
}

CGRect Application::statusBarFrame() const {
  if (statusBarHidden_) return CGRectZero;
  constexpr float kStatusBarThickness = 20;
  const CGRect screen = Screen::mainScreen()->bounds();
  if (statusBarOrientation_ == 3 || statusBarOrientation_ == 4) {
    return CGRectMake(0, 0, kStatusBarThickness, screen.size.height);
  }
  return CGRectMake(0, 0, screen.size.width, kStatusBarThickness);
}

// [SECTION] Frame capture

namespace {

const char* programName() {
  const char* name = program_invocation_short_name;
  return name && *name ? name : "tessera";
}

std::string absoluteCapturePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// One line saying what the program runs on: a window or headless, and the
// GL renderer and version.
void logRunningOn() {
  std::string where = "headless";
  if (Window* window = Window::keyWindow(); window && window->hasNativeWindow()) {
    const CGSize size = window->pixelSize();
    char text[96];
    std::snprintf(text, sizeof text, "window %gx%g (%s)", size.width, size.height,
                  detail::windowSystemDriver().c_str());
    where = text;
  } else if (facts().captureFile.empty()) {
    where += " (Ctrl+C to stop)";
  }
  const std::string renderer = glRendererDescription();
  log("%s: %s, %s", programName(), where.c_str(), renderer.empty() ? "no OpenGL ES renderer" : renderer.c_str());
}

}  // namespace

// The frame is written from the present observer, right after the frame is
// recorded; terminating waits for the next pass, because the observer runs
// inside the engine's drawing.
void Application::startCapture() {
  detail::setPresentObserver([] {
    Application* application = g_sharedApplication;
    if (application == nullptr || application->captured_) return;
    if (RunLoop::main().now() - application->launchTime_ < facts().captureAt) return;
    application->captured_ = true;
    const std::string path = absoluteCapturePath(facts().captureFile);
    if (writeFrameAsPNG(captureLastPresentedFrame(), path)) log("%s: wrote %s", programName(), path.c_str());
    performOnMainThread([] { sharedApplication()->terminate(); }, false);
  });
}

// [SECTION] Entry point

int applicationMain(int argc, char** argv, const char* delegateClassName) {
  AutoreleasePool pool;
#ifdef __EMSCRIPTEN__
  // On the web run() hands the loop to the browser and never returns: the
  // fake clock must outlive this call.
  static std::optional<ManualClock> fakeClock;
#else
  std::optional<ManualClock> fakeClock;
#endif
  if (facts().fakeClock) fakeClock.emplace(wallClock());

  const ClassInfo* info = delegateClassName ? ClassInfo::named(delegateClassName) : nullptr;
  Object* instance = info ? info->newInstance() : nullptr;
  auto* delegate = dynamic_cast<ApplicationDelegate*>(instance);
  if (delegate == nullptr) {
    log("tessera: no application delegate class named %s", delegateClassName ? delegateClassName : "(null)");
    if (instance) instance->release();
    return 1;
  }
  Application* application = Application::sharedApplication();
  application->setDelegate(delegate);
  delegate->release();

  Application::installSignalHandlers();
  application->launch();
  if (application->state() != Application::State::Terminated) {
    logRunningOn();
#ifdef __EMSCRIPTEN__
    setWebLoopEndedCall([] {
      detail::setPresentObserver(nullptr);
      Application::purgeSharedApplication();
      detail::stopWindowSystem();
    });
#endif
    RunLoop::main().run();
  }

  detail::setPresentObserver(nullptr);
  Application::purgeSharedApplication();
  detail::stopWindowSystem();
  return 0;
}

// [SECTION] PNG writing

namespace {

void appendBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void appendChunk(std::vector<unsigned char>& out, const char type[4], const unsigned char* data,
                 std::size_t size) {
  appendBigEndian(out, static_cast<std::uint32_t>(size));
  const std::size_t typeStart = out.size();
  out.insert(out.end(), type, type + 4);
  if (size) out.insert(out.end(), data, data + size);
  const uLong crc = crc32(0L, out.data() + typeStart, static_cast<uInt>(4 + size));
  appendBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool writeFrameAsPNG(const CapturedFrame& frame, const std::string& path) {
  const auto width = static_cast<std::size_t>(frame.width);
  const auto height = static_cast<std::size_t>(frame.height);
  if (frame.width <= 0 || frame.height <= 0 || frame.rgba.size() != width * height * 4) {
    log("tessera: no frame to write to %s", path.c_str());
    return false;
  }
  // Each row: filter type 0 (none), then the pixels.
  std::vector<unsigned char> raw;
  raw.reserve(height * (width * 4 + 1));
  for (std::size_t row = 0; row < height; ++row) {
    raw.push_back(0);
    const unsigned char* pixels = frame.rgba.data() + row * width * 4;
    raw.insert(raw.end(), pixels, pixels + width * 4);
  }
  uLongf compressedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> compressed(compressedSize);
  if (compress2(compressed.data(), &compressedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
    log("tessera: cannot compress a %dx%d frame for %s", frame.width, frame.height, path.c_str());
    return false;
  }

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  appendBigEndian(header, static_cast<std::uint32_t>(frame.width));
  appendBigEndian(header, static_cast<std::uint32_t>(frame.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
  appendChunk(png, "IHDR", header.data(), header.size());
  appendChunk(png, "IDAT", compressed.data(), compressedSize);
  appendChunk(png, "IEND", nullptr, 0);

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    log("tessera: cannot write %s", path.c_str());
    return false;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    log("tessera: cannot write %s", path.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
