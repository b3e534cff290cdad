#include "platform/WindowSystem.h"

#include "platform/Application.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/RunLoopInternal.h"
#include "platform/Window.h"

#include <SDL.h>

#include <cmath>
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

  bool waitForEvent(double seconds) override {
    const int milliseconds = static_cast<int>(std::ceil(std::max(seconds, 0.0) * 1000));
    return SDL_WaitEventTimeout(nullptr, milliseconds) == 1;
  }

  void wake() override {
    SDL_Event event{};
    event.type = windowSystem().wakeEventType;
    SDL_PushEvent(&event);
  }
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
  s.started = false;
  s.attempted = false;
}

void registerNativeWindow(std::uint32_t id, Window* window) { windowSystem().windows[id] = window; }

void unregisterNativeWindow(std::uint32_t id) { windowSystem().windows.erase(id); }

}  // namespace platform::detail
