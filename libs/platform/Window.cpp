#include "platform/Window.h"

#include "platform/AdBannerView.h"
#include "platform/Application.h"
#include "platform/Facts.h"
#include "platform/GLContextInternal.h"
#include "platform/Keyboard.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/Touch.h"
#include "platform/ViewController.h"
#include "platform/ViewOverlays.h"
#include "platform/WindowSystem.h"

#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include "platform/web/WebPage.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <vector>

// [SECTION] Touch tracking
// [SECTION] Window
// [SECTION] Events

namespace platform {

namespace {

// Two taps count as one multi-tap when the second begins within this time
// and distance of the end of the first.
constexpr double kMultiTapInterval = 0.35;
constexpr float kMultiTapDistance = 10;

Window* g_keyWindow = nullptr;  // weak: a window stops being key when it is destroyed

bool isLandscape(int orientation) { return orientation == 3 || orientation == 4; }

}  // namespace

// [SECTION] Touch tracking

// The gestures in progress. A source is the mouse or one SDL finger.
struct Window::TouchTracker {
  struct Source {
    std::int64_t device = 0;
    std::int64_t finger = 0;
    bool operator==(const Source&) const = default;
  };
  struct Active {
    Source source;
    Ref<Touch> touch;
    Ref<View> view;  // kept alive while it receives the gesture
  };

  static constexpr Source kMouse{std::numeric_limits<std::int64_t>::min(), 0};

  std::vector<Active> active;  // in the order the gestures began
  double lastTapEnd = -std::numeric_limits<double>::infinity();
  CGPoint lastTapPoint{};
  std::uint32_t lastTapCount = 0;

  Active* find(const Source& source) {
    auto found = std::find_if(active.begin(), active.end(),
                              [&](const Active& entry) { return entry.source == source; });
    return found == active.end() ? nullptr : &*found;
  }

  bool viewHasTouch(const View* view) const {
    return std::any_of(active.begin(), active.end(),
                       [&](const Active& entry) { return entry.view.get() == view; });
  }
};

// The event handlers, with access to the window's private parts.
struct WindowEvents {
  using TouchTracker = Window::TouchTracker;
  using Source = TouchTracker::Source;

  static void deliver(View& view, TouchPhase phase, Touch* touch, const std::vector<TouchTracker::Active>& all,
                      double now) {
    Event* event = Event::event();
    event->setTimestamp(now);
    TouchSet allTouches;
    for (const auto& entry : all) allTouches.add(entry.touch.get());
    event->setAllTouches(std::move(allTouches));
    TouchSet touches{touch};
#ifdef __EMSCRIPTEN__
    detail::noteWebTouch(view, phase, touch->locationInView(&view));
#endif
    switch (phase) {
      case TouchPhase::Began: view.touchesBegan(&touches, event); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: view.touchesMoved(&touches, event); break;
      case TouchPhase::Ended: view.touchesEnded(&touches, event); break;
      case TouchPhase::Cancelled: view.touchesCancelled(&touches, event); break;
    }
  }

  // `point` is in the window's points.
  static void began(Window& window, const Source& source, CGPoint point) {
    auto& tracker = *window.touches_;
    if (tracker.find(source)) return;  // a down without an up: keep the gesture we have
    View* hit = window.hitTest(point);
    if (hit == nullptr) return;
    if (!hit->isMultipleTouchEnabled() && tracker.viewHasTouch(hit)) return;
    const double now = RunLoop::main().now();
    const float dx = point.x - tracker.lastTapPoint.x;
    const float dy = point.y - tracker.lastTapPoint.y;
    const bool continuesTaps = now - tracker.lastTapEnd <= kMultiTapInterval &&
                               std::sqrt(dx * dx + dy * dy) <= kMultiTapDistance;
    Touch* touch = Touch::touch();
    touch->setView(hit);
    touch->setPhase(TouchPhase::Began);
    touch->setTimestamp(now);
    touch->setTapCount(continuesTaps ? tracker.lastTapCount + 1 : 1);
    touch->setLocation(hit->convertPointFromView(point, nullptr));
    tracker.active.push_back({source, touch, hit});
    Ref<View> view(hit);
    deliver(*view, TouchPhase::Began, touch, tracker.active, now);
  }

  static void moved(Window& window, const Source& source, CGPoint point) {
    auto& tracker = *window.touches_;
    auto* entry = tracker.find(source);
    if (entry == nullptr) return;
    Ref<Touch> touch = entry->touch;
    Ref<View> view = entry->view;
    const double now = RunLoop::main().now();
    touch->setPhase(TouchPhase::Moved);
    touch->setTimestamp(now);
    touch->setLocation(view->convertPointFromView(point, nullptr));
    deliver(*view, TouchPhase::Moved, touch, tracker.active, now);
  }

  // Ends (or cancels) the gesture; `point` is ignored when cancelling.
  static void finished(Window& window, const Source& source, CGPoint point, bool cancelled) {
    auto& tracker = *window.touches_;
    auto* entry = tracker.find(source);
    if (entry == nullptr) return;
    Ref<Touch> touch = entry->touch;
    Ref<View> view = entry->view;
    const double now = RunLoop::main().now();
    touch->setPhase(cancelled ? TouchPhase::Cancelled : TouchPhase::Ended);
    touch->setTimestamp(now);
    if (!cancelled) touch->setLocation(view->convertPointFromView(point, nullptr));
    // The event still lists the finishing touch, as the platform does.
    auto all = tracker.active;
    std::erase_if(tracker.active, [&](const auto& active) { return active.source == source; });
    if (!cancelled) {
      tracker.lastTapEnd = now;
      tracker.lastTapPoint = point;
      tracker.lastTapCount = touch->tapCount();
    }
    deliver(*view, cancelled ? TouchPhase::Cancelled : TouchPhase::Ended, touch, all, now);
  }

  static void cancelAll(Window& window) {
    auto& tracker = *window.touches_;
    while (!tracker.active.empty()) finished(window, tracker.active.front().source, CGPointZero, true);
  }

  // SDL window coordinates (pixels of the desktop window) to window points.
  static CGPoint pointFromPixels(float x, float y) {
    const float scale = Screen::mainScreen()->scale();
    return CGPointMake(x / scale, y / scale);
  }

  static bool insideWindow(const Window& window, CGPoint point) { return window.pointInside(point); }

  static void handle(Window& window, const SDL_Event& event) {
    switch (event.type) {
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT) return;
        began(window, TouchTracker::kMouse, pointFromPixels(event.button.x, event.button.y));
        return;
      case SDL_MOUSEMOTION: {
        if (event.motion.which == SDL_TOUCH_MOUSEID || !(event.motion.state & SDL_BUTTON_LMASK)) return;
        const CGPoint point = pointFromPixels(event.motion.x, event.motion.y);
        if (insideWindow(window, point)) {
          moved(window, TouchTracker::kMouse, point);
        } else {
          finished(window, TouchTracker::kMouse, point, true);  // dragged out of the window
        }
        return;
      }
      case SDL_MOUSEBUTTONUP:
        if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT) return;
        finished(window, TouchTracker::kMouse, pointFromPixels(event.button.x, event.button.y), false);
        return;
      case SDL_FINGERDOWN:
      case SDL_FINGERMOTION:
      case SDL_FINGERUP: {
        const Source source{event.tfinger.touchId, event.tfinger.fingerId};
        const CGRect bounds = window.bounds();
        const CGPoint point =
            CGPointMake(event.tfinger.x * bounds.size.width, event.tfinger.y * bounds.size.height);
        if (event.type == SDL_FINGERDOWN) {
          began(window, source, point);
        } else if (event.type == SDL_FINGERMOTION) {
          moved(window, source, point);
        } else {
          finished(window, source, point, false);
        }
        return;
      }
      case SDL_WINDOWEVENT:
        handleWindowChange(window, event.window.event);
        return;
      case SDL_KEYDOWN:
        handleKey(event.key);
        return;
      default:
        return;
    }
  }

  static void handleWindowChange(Window& window, Uint8 kind) {
    Application* application = Application::sharedApplication();
    switch (kind) {
      case SDL_WINDOWEVENT_LEAVE:
        // Only the mouse leaves; fingers are tied to the screen.
        if (window.touches_->find(TouchTracker::kMouse)) finished(window, TouchTracker::kMouse, CGPointZero, true);
        return;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        window.cancelAllTouches();
        application->resignActive();
        return;
      case SDL_WINDOWEVENT_FOCUS_GAINED: application->becomeActive(); return;
      case SDL_WINDOWEVENT_MINIMIZED:
        window.cancelAllTouches();
        application->enterBackground();
        return;
      case SDL_WINDOWEVENT_RESTORED: application->enterForeground(); return;
#ifdef __EMSCRIPTEN__
      // A browser tab that is hidden goes to the background; shown again it
      // returns and becomes active (the page has no minimise).
      case SDL_WINDOWEVENT_HIDDEN:
        window.cancelAllTouches();
        application->enterBackground();
        return;
      case SDL_WINDOWEVENT_SHOWN:
        application->enterForeground();
        application->becomeActive();
        return;
#endif
      case SDL_WINDOWEVENT_CLOSE: application->terminate(); return;
      // Uncovered: show the last frame again, for when nothing is drawing.
      case SDL_WINDOWEVENT_EXPOSED: setNeedsRedisplay(); return;
      default: return;
    }
  }

  static void showIfPending(Window& window) { window.showNativeWindowIfPending(); }

  // Escape closes a full-screen ad. Ctrl+Up/Down/Left/Right ask to turn to
  // 1/2/3/4, as turning the device would. Other keys go to the program's
  // key observer.
  static void handleKey(const SDL_KeyboardEvent& key) {
    if (key.repeat) return;
    if (key.keysym.sym == SDLK_ESCAPE) {
      finishBannerViewActions();
      return;
    }
    if (!(key.keysym.mod & KMOD_CTRL)) {
      deliverKeyPress(SDL_GetKeyName(key.keysym.sym));
      return;
    }
    int orientation = 0;
    switch (key.keysym.sym) {
      case SDLK_UP: orientation = 1; break;
      case SDLK_DOWN: orientation = 2; break;
      case SDLK_LEFT: orientation = 3; break;
      case SDLK_RIGHT: orientation = 4; break;
      default: return;
    }
    Window* keyWindow = Window::keyWindow();
    if (keyWindow && keyWindow->interfaceOrientation() != orientation) {
      Application::sharedApplication()->rotateInterface(orientation);
    }
  }
};

// [SECTION] Window

Window::Window() : touches_(std::make_unique<TouchTracker>()) {}

Window* Window::windowWithFrame(const CGRect& frame) {
  return createAutoreleased<Window>([&](Window& window) { return window.initWithFrame(frame); });
}

Window::~Window() {
  WindowEvents::cancelAll(*this);
  closeNativeWindow();
  if (g_keyWindow == this) g_keyWindow = nullptr;
}

namespace {
void layoutTreeNow(View* view) {
  view->layoutIfNeeded();
  for (const Ref<View>& subview : view->subviews()) layoutTreeNow(subview.get());
}
}  // namespace

void Window::makeKeyAndVisible() {
  visible_ = true;
  g_keyWindow = this;
  requestLayoutOfTree();
  // Shown during launch, the window turns its interface to the initial
  // orientation and lays its views out at once, so the rest of the launch
  // (building the first scene) already sees the final sizes.
  Application* application = Application::existingApplication();
  if (application && application->isLaunching() && rootViewController()) {
    application->turnInterfaceDuringLaunch();
    layoutTreeNow(this);
  }
  if (!nativeWindow_ && detail::startWindowSystem()) openNativeWindow();
}

bool Window::isKeyWindow() const { return g_keyWindow == this; }

Window* Window::keyWindow() { return g_keyWindow; }

ViewController* Window::rootViewController() const {
  return subviews().empty() ? nullptr : subviews().front()->viewController();
}

void Window::setInterfaceOrientation(int orientation) {
  if (orientation < 1 || orientation > 4) return;
  const bool turnsAcross = isLandscape(orientation) != isLandscape(interfaceOrientation_);
  interfaceOrientation_ = orientation;
  if (!turnsAcross) return;
  CGRect turned = frame();
  std::swap(turned.size.width, turned.size.height);
  setFrame(turned);
  resizeNativeWindow();
}

CGSize Window::pixelSize() const {
  const float scale = Screen::mainScreen()->scale();
  const CGSize size = bounds().size;
  return CGSizeMake(std::round(size.width * scale), std::round(size.height * scale));
}

std::uint32_t Window::nativeWindowID() const {
  return nativeWindow_ ? SDL_GetWindowID(static_cast<SDL_Window*>(nativeWindow_)) : 0;
}

void Window::openNativeWindow() {
  const CGSize size = pixelSize();
  const char* title = program_invocation_short_name;
  SDL_Window* window = SDL_CreateWindow(title && *title ? title : "Tessera", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, std::max(1, static_cast<int>(size.width)),
                                        std::max(1, static_cast<int>(size.height)), SDL_WINDOW_HIDDEN);
  if (window == nullptr) {
    CCLOG("tessera: Window: cannot open a %gx%g window (%s); running headless", size.width, size.height,
          SDL_GetError());
    return;
  }
  nativeWindow_ = window;
  nativeShowPending_ = true;
  detail::registerNativeWindow(SDL_GetWindowID(window), this);
}

void Window::showNativeWindowIfPending() {
  if (!nativeWindow_ || !nativeShowPending_) return;
  nativeShowPending_ = false;
  SDL_ShowWindow(static_cast<SDL_Window*>(nativeWindow_));
}

void Window::resizeNativeWindow() {
  if (!nativeWindow_) return;
  auto* window = static_cast<SDL_Window*>(nativeWindow_);
  const CGSize size = pixelSize();
  const int width = std::max(1, static_cast<int>(size.width));
  const int height = std::max(1, static_cast<int>(size.height));
  int oldWidth = 0;
  int oldHeight = 0;
  int x = 0;
  int y = 0;
  SDL_GetWindowSize(window, &oldWidth, &oldHeight);
  SDL_GetWindowPosition(window, &x, &y);
  SDL_SetWindowSize(window, width, height);
  // Turn about the centre, so the window stays where it was; one not shown
  // yet (turned during launch) is centred on the screen.
  if (nativeShowPending_) {
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  } else {
    SDL_SetWindowPosition(window, x + (oldWidth - width) / 2, y + (oldHeight - height) / 2);
  }
}

void Window::closeNativeWindow() {
  if (!nativeWindow_) return;
  detail::releaseWindowSurface(this);
  auto* window = static_cast<SDL_Window*>(nativeWindow_);
  detail::unregisterNativeWindow(SDL_GetWindowID(window));
  nativeWindow_ = nullptr;
  nativeShowPending_ = false;
  SDL_DestroyWindow(window);
}

void Window::cancelAllTouches() { WindowEvents::cancelAll(*this); }

// [SECTION] Events

namespace detail {

void handleWindowEvent(Window& window, const SDL_Event& event) { WindowEvents::handle(window, event); }

void showPendingWindow(Window& window) { WindowEvents::showIfPending(window); }

}  // namespace detail

}  // namespace platform
