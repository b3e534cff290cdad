#include "platform/WindowSystem.h"

#include "platform/Application.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/RunLoopInternal.h"
#include "platform/Window.h"

#include <SDL.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

namespace platform::detail {

namespace {

// At most this many events are handled in one pass, so a flood of input
// cannot starve timers and display refreshes.
constexpr int kMostEventsPerPass = 256;

struct WindowSystem {
  bool attempted = false;
  bool started = false;
  Uint32 wakeEventType = 0;
  int upkeepHook = 0;
  int x11Connection = -1;  // SDL's X connection, known once an X11 window opened
  std::unordered_map<std::uint32_t, Window*> windows;  // weak: a window unregisters when it closes
};

WindowSystem& windowSystem() {
  static WindowSystem* instance = new WindowSystem();  // outlives static destructors
  return *instance;
}

Window* windowForEvent(const SDL_Event& event) {
  std::uint32_t id = 0;
  switch (event.type) {
    case SDL_WINDOWEVENT: id = event.window.windowID; break;
    case SDL_MOUSEMOTION: id = event.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: id = event.button.windowID; break;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION: id = event.tfinger.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: id = event.key.windowID; break;
    default: return nullptr;
  }
  auto& windows = windowSystem().windows;
  if (auto found = windows.find(id); found != windows.end()) return found->second;
  // Some drivers leave the id of finger events at 0: they belong to the key window.
  if (id == 0 && (event.type == SDL_FINGERDOWN || event.type == SDL_FINGERUP || event.type == SDL_FINGERMOTION)) {
    Window* key = Window::keyWindow();
    return key && key->hasNativeWindow() ? key : nullptr;
  }
  return nullptr;
}

class SDLEventSource final : public EventSource {
 public:
  bool dispatchPendingEvents() override {
    bool handled = false;
    SDL_Event event;
    for (int i = 0; i < kMostEventsPerPass && SDL_PollEvent(&event); ++i) {
      if (event.type == windowSystem().wakeEventType) continue;
      AutoreleasePool pool;
      handled = true;
      if (event.type == SDL_QUIT) {
        Application::sharedApplication()->terminate();
      } else if (Window* window = windowForEvent(event)) {
        Ref<Window> keep(window);
        handleWindowEvent(*window, event);
      }
    }
    return handled;
  }

  // SDL's own wait is woken, on X11, by a message SDL sends to one of the
  // windows over a second X connection, whenever an event arrives during the
  // wait. Closing the window is such an event, and the window is destroyed
  // right after it: the X server may handle the destruction before the
  // message, which then fails with BadWindow, and Xlib's default handler ends
  // the process with status 1 when SDL closes that connection at exit. So on
  // X11 the loop waits itself: SDL takes what has arrived, then poll()
  // watches SDL's X connection and an eventfd that wake() writes. SDL sends
  // its message only while its own wait runs, so it never sends it.
  bool waitForEvent(double seconds) override {
    const int milliseconds = static_cast<int>(std::ceil(std::max(seconds, 0.0) * 1000));
    const int connection = windowSystem().x11Connection;
    if (connection < 0 || wakeDescriptor_ < 0) return SDL_WaitEventTimeout(nullptr, milliseconds) == 1;
    SDL_PumpEvents();  // also flushes what SDL wrote to the connection
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return true;
    pollfd descriptors[2] = {{connection, POLLIN, 0}, {wakeDescriptor_, POLLIN, 0}};
    const int ready = poll(descriptors, 2, milliseconds);
    if (ready > 0 && (descriptors[1].revents & POLLIN)) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t drained = read(wakeDescriptor_, &count, sizeof count);
    }
    return ready > 0;  // a signal (EINTR) returns to the loop's own checks
  }

  void wake() override {
    if (wakeDescriptor_ >= 0) {
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = write(wakeDescriptor_, &one, sizeof one);
    }
    SDL_Event event{};
    event.type = windowSystem().wakeEventType;
    SDL_PushEvent(&event);
  }

 private:
#ifdef __EMSCRIPTEN__
  int wakeDescriptor_ = -1;  // the browser's loop never waits: nothing to wake
#else
  int wakeDescriptor_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);  // lives as long as the process
#endif
};

SDLEventSource& eventSource() {
  static SDLEventSource* instance = new SDLEventSource();
  return *instance;
}

}  // namespace

bool startWindowSystem() {
  WindowSystem& s = windowSystem();
  if (s.started) return true;
  if (facts().headless) return false;
  if (s.attempted) return false;
  s.attempted = true;
  // Without a display and without a chosen driver there is nothing to open:
  // run headless at once instead of letting SDL probe (and complain about)
  // every driver it knows.
  auto isSet = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
#ifndef __EMSCRIPTEN__  // a page always has its canvas
  if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("SDL_VIDEODRIVER")) return false;
#else
  (void)isSet;
#endif
  // The platform handles termination signals itself; fingers and the mouse
  // stay separate sources of touches.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    log("tessera: no window system (%s); running headless", SDL_GetError());
    return false;
  }
  s.wakeEventType = SDL_RegisterEvents(1);
  s.started = true;
  s.upkeepHook = addPassHook(PassHook{[] {
                                        // Copy: showing may change the map.
                                        auto windows = windowSystem().windows;
                                        for (auto& [id, window] : windows) showPendingWindow(*window);
                                        return false;
                                      },
                                      nullptr});
  setEventSource(&eventSource());
  return true;
}

bool isWindowSystemStarted() { return windowSystem().started; }

std::string windowSystemDriver() {
  if (!windowSystem().started) return "";
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver ? driver : "";
}

void stopWindowSystem() {
  WindowSystem& s = windowSystem();
  if (!s.started) return;
  auto windows = s.windows;
  for (auto& [id, window] : windows) window->closeNativeWindow();
  setEventSource(nullptr);
  removePassHook(s.upkeepHook);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  s.x11Connection = -1;
  s.started = false;
  s.attempted = false;
}

void registerNativeWindow(std::uint32_t id, Window* window) {
  WindowSystem& s = windowSystem();
  s.windows[id] = window;
  if (s.x11Connection < 0 && window) s.x11Connection = x11ConnectionOf(window->nativeWindow());
}

void unregisterNativeWindow(std::uint32_t id) { windowSystem().windows.erase(id); }

}  // namespace platform::detail
