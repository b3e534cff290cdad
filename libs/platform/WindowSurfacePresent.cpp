// Presenting a frame by copying its pixels into the window's own surface.
//
// With a software rasteriser the frame already lives in main memory. Drawing
// it into the window through a second GL context costs a context switch, a
// full-window clear, a textured full-window draw and the driver's own copy
// to the X server; copying the pixels into the SDL window surface (a
// shared-memory image on X11) and showing it is one pass over the pixels.

#include "platform/WindowSystem.h"

#include "platform/GLContext.h"
#include "platform/Screen.h"
#include "platform/View.h"
#include "platform/ViewOverlays.h"
#include "platform/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::detail {

namespace {

// One row of RGBA bytes to a 32-bit surface row whose pixels are
// (A|X) R G B from the high byte down, as SDL_PIXELFORMAT_RGB888 and
// SDL_PIXELFORMAT_ARGB8888 are.
void rgbaToXrgb(const std::uint8_t* source, std::uint32_t* destination, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* p = source + static_cast<std::ptrdiff_t>(i) * 4;
    destination[i] = 0xFF000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
}

}  // namespace

bool presentPixelsInWindow(void* sdlWindow, const std::uint8_t* topRow, std::ptrdiff_t rowStride, int width,
                           int height, int x, int y) {
  auto* window = static_cast<SDL_Window*>(sdlWindow);
  if (window == nullptr || topRow == nullptr || width <= 0 || height <= 0) return false;
  // The window system's own image (shared memory on X11), never a GL
  // texture that SDL would draw with a GL context of its own.
  static const bool hinted = SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0") == SDL_TRUE;
  (void)hinted;
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr || surface->format->BytesPerPixel != 4) return false;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;

  // The part of the frame inside the window.
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = std::min(x + width, surface->w);
  const int bottom = std::min(y + height, surface->h);
  const bool coversWindow = x <= 0 && y <= 0 && x + width >= surface->w && y + height >= surface->h;
  if (!coversWindow) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));

  const Uint32 format = surface->format->format;
  const bool xrgb = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
  for (int row = top; row < bottom; ++row) {
    const std::uint8_t* source = topRow + (row - y) * rowStride + static_cast<std::ptrdiff_t>(left - x) * 4;
    auto* destination = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(row) * surface->pitch +
                        static_cast<std::ptrdiff_t>(left) * 4;
    if (xrgb) {
      rgbaToXrgb(source, reinterpret_cast<std::uint32_t*>(destination), right - left);
    } else {
      SDL_ConvertPixels(right - left, 1, SDL_PIXELFORMAT_RGBA32, source, (right - left) * 4, format, destination,
                        surface->pitch);
    }
  }

  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  return SDL_UpdateWindowSurface(window) == 0;
}

bool presentBottomUpPixelsInView(const Window& window, const View& view, const std::uint8_t* pixels, int width,
                                 int height, CapturedFrame& composed) {
  const float scale = Screen::mainScreen()->scale();
  const CGRect frame = view.convertRectToView(view.bounds(), nullptr);
  const auto x = static_cast<int>(std::lround(frame.origin.x * scale));
  const auto y = static_cast<int>(std::lround(frame.origin.y * scale));
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 4;
  if (!hasRecordedViewOverlays()) {
    // GL rows run bottom first: start at the last row and step backwards.
    const std::uint8_t* topRow = pixels + stride * (height - 1);
    return presentPixelsInWindow(window.nativeWindow(), topRow, -stride, width, height, x, y);
  }
  composed.width = width;
  composed.height = height;
  composed.rgba.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  for (int row = 0; row < height; ++row) {
    std::memcpy(composed.rgba.data() + stride * row, pixels + stride * (height - 1 - row),
                static_cast<std::size_t>(stride));
  }
  compositeRecordedViewOverlays(composed);
  return presentPixelsInWindow(window.nativeWindow(), composed.rgba.data(), stride, composed.width, composed.height,
                               x, y);
}

}  // namespace platform::detail
