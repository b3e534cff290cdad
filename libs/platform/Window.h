#pragma once
// The application's window: the root of a view tree, shown as a desktop
// window (SDL2) unless the process is headless, and the source of touches.

#include "platform/Geometry.h"
#include "platform/View.h"

#include <cstdint>
#include <memory>

namespace platform {

class ViewController;

/// The application's window: the root of a view tree, shown as a desktop window
/// (SDL2) unless the process is headless, and the source of touches.
///
/// Implemented:
///  [x] a desktop window of the screen's size × scale, width and height
///      exchanged while the interface orientation is landscape (3 or 4);
///  [x] mouse and finger input as touches in four phases: the mouse is one
///      finger; each SDL finger is one touch; a touch keeps its Touch object
///      and its view (hit-tested when it begins) until it ends; leaving the
///      window while pressed, or losing focus, cancels; quick taps (within
///      0.35 s and 10 points of the previous one) count up tapCount;
///  [x] hidden and non-interactive views get no touches; a view without
///      multiple touch gets only its first finger;
///  [x] window close ends the application; focus and minimising drive its
///      lifecycle; Ctrl+arrow keys ask the root view controller to turn.
/// Missing:
///  [ ] drawing of views other than the GL view (the GL view is presented by
///      its context, see GLContext.h);
///  [ ] resizing by the user (the window has a fixed size).
class Window : public View {
  PLATFORM_CLASS(Window, View)
 public:
  /// A hidden window with `frame` (normally the main screen's bounds), autoreleased.
  static Window* windowWithFrame(const CGRect& frame);
  Window();

  /// Shows the window and makes it the key window. Opens the desktop window
  /// (hidden until the next run-loop pass, so the launch can still turn it)
  /// unless the facts say headless or no window system can start. Lays out
  /// the whole view tree at the next pass.
  void makeKeyAndVisible();
  bool isVisible() const { return visible_; }
  bool isKeyWindow() const;
  /// The key window, or nullptr.
  static Window* keyWindow();

  /// The owner of the first subview, which the platform treats as the root
  /// view controller; nullptr when there is none.
  ViewController* rootViewController() const;

  /// The orientation the interface shows. Default 1.
  int interfaceOrientation() const { return interfaceOrientation_; }
  /// Turns the window: between portrait (1, 2) and landscape (3, 4) the
  /// width and height of the window's frame and of the desktop window swap.
  /// Values outside 1…4 are ignored.
  void setInterfaceOrientation(int orientation);

  /// Size of the desktop window in pixels: the bounds × the screen's scale.
  CGSize pixelSize() const;
  /// Whether a desktop window is open.
  bool hasNativeWindow() const { return nativeWindow_ != nullptr; }
  /// The SDL window id, or 0 when no desktop window is open (tests push SDL
  /// events with it).
  std::uint32_t nativeWindowID() const;
  /// The SDL_Window, or nullptr.
  void* nativeWindow() const { return nativeWindow_; }
  /// Closes the desktop window; the view tree stays.
  void closeNativeWindow();

  /// Cancels every touch in progress (each view gets touchesCancelled).
  void cancelAllTouches();

 protected:
  /// dealloc: cancels touches in progress, closes the desktop window, gives
  /// up being the key window, then the view teardown.
  ~Window() override;

 private:
  friend struct WindowEvents;
  struct TouchTracker;

  void openNativeWindow();
  void showNativeWindowIfPending();
  void resizeNativeWindow();

  void* nativeWindow_ = nullptr;  // SDL_Window*
  std::unique_ptr<TouchTracker> touches_;
  int interfaceOrientation_ = 1;
  bool visible_ = false;
  bool nativeShowPending_ = false;
};

}  // namespace platform
