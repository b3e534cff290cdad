#pragma once
// The desktop window system (SDL2's video subsystem) as the platform layer
// uses it: started on demand, its events pumped by the main run loop and
// handed to the Window they belong to. Not for the engine.

#include <cstddef>
#include <cstdint>
#include <string>

union SDL_Event;

namespace platform {
class View;
class Window;
struct CapturedFrame;
}

namespace platform::detail {

/// Starts SDL video once, unless the facts say headless. Returns whether
/// desktop windows can be opened; a failure is logged once and the process
/// runs headless.
bool startWindowSystem();
/// Whether SDL video is running.
bool isWindowSystemStarted();
/// The SDL video driver in use ("x11", "wayland", "offscreen", ...), or "".
std::string windowSystemDriver();
/// Stops SDL video. Windows still open are closed first.
void stopWindowSystem();

/// Routes events of SDL window `id` to `window` (weak).
void registerNativeWindow(std::uint32_t id, Window* window);
void unregisterNativeWindow(std::uint32_t id);

/// The X11 window behind an SDL window, or 0 when it is not an X11 window.
unsigned long x11WindowOf(void* sdlWindow);
/// The file descriptor of the X11 connection SDL reads the window's events
/// from, or -1 when it is not an X11 window.
int x11ConnectionOf(void* sdlWindow);

/// Shows a frame in SDL window `sdlWindow` by copying it into the window's
/// own surface (WindowSurfacePresent.cpp): `height` rows of `width` RGBA
/// pixels, the top row at `topRow` and each next row `rowStride` bytes on
/// (negative for a bottom-first buffer), placed with its top-left corner at
/// window pixel (x, y), clipped to the window; the rest of the window turns
/// black. False when the window has no usable surface.
bool presentPixelsInWindow(void* sdlWindow, const std::uint8_t* topRow, std::ptrdiff_t rowStride, int width,
                           int height, int x, int y);
/// Shows a GL read-back (`height` rows of `width` RGBA pixels, bottom row
/// first, at `pixels`) in `window` where `view` lies, with the recorded view
/// overlays composited over it in `composed` (kept by the caller to reuse its
/// memory from frame to frame). False when the window has no usable surface.
bool presentBottomUpPixelsInView(const Window& window, const View& view, const std::uint8_t* pixels, int width,
                                 int height, CapturedFrame& composed);

/// Handles one SDL event addressed to `window` (Window.cpp).
void handleWindowEvent(Window& window, const SDL_Event& event);
/// Shows windows opened since the last pass (Window.cpp).
void showPendingWindow(Window& window);

}  // namespace platform::detail
