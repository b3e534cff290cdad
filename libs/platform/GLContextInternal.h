#pragma once
// Hooks between the GL backend and the views, windows and application. Not
// for the engine.

#include <cstdint>
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
/// Shows the last presented frame again in its window, with the overlays
/// asked afresh, then calls the present observer (a capture then includes
/// the new overlays). Main thread. False when no frame or view is left.
bool presentLastFrameAgain();
/// Frames presented by the engine so far.
std::uint64_t presentCount();
/// Called on the presenting thread after every present, once the frame is
/// recorded (captureLastPresentedFrame() returns it). Empty: none.
void setPresentObserver(std::function<void()> observer);

}  // namespace platform::detail
