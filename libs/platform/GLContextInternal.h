#pragma once
// Hooks between the GL backend and the views, windows and application. Not
// for the engine.

#include <functional>

namespace platform {
class View;
class Window;
}  // namespace platform

namespace platform::detail {

/// `view` is going away: drawables made for it stop referring to it.
void forgetDrawablesOfView(View* view);
/// `window`'s desktop window is closing: its EGL window surface is destroyed.
void releaseWindowSurface(Window* window);
/// Called on the presenting thread after every present, once the frame is
/// recorded (captureLastPresentedFrame() returns it). Empty: none.
void setPresentObserver(std::function<void()> observer);

}  // namespace platform::detail
