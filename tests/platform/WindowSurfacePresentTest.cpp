#include "platform/WindowSystem.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A hidden SDL window on the test's (offscreen) video driver, for reading
// back what a present copied into its surface. SDL video stays up after the
// test, as it does for the platform's own windows: quitting it unloads the
// driver's libraries with their allocations.
class SurfaceWindow {
 public:
  SurfaceWindow(int width, int height) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    // As the present path asks, before any surface exists: the window
    // system's own image, not a texture drawn by a GL renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    window_ = SDL_CreateWindow("present", 0, 0, width, height, SDL_WINDOW_HIDDEN);
  }
  ~SurfaceWindow() {
    if (window_) SDL_DestroyWindow(window_);
  }
  SDL_Window* window() const { return window_; }

  // The pixel at (x, y) from the top left, as 0xRRGGBB.
  std::uint32_t rgbAt(int x, int y) const {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, row + x * 4, 4);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
  }

 private:
  SDL_Window* window_ = nullptr;
};

// A width x height RGBA frame whose pixel (x, y), counted from the top, is
// (10 x, 10 y, 200).
std::vector<std::uint8_t> gradientTopFirst(int width, int height) {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rgba.insert(rgba.end(), {std::uint8_t(10 * x), std::uint8_t(10 * y), 200, 255});
    }
  }
  return rgba;
}

std::uint32_t expected(int x, int y) { return (std::uint32_t(10 * x) << 16) | (std::uint32_t(10 * y) << 8) | 200; }

TEST(WindowSurfacePresent, CopiesTopFirstAndBottomFirstFramesTheSameWay) {
  SurfaceWindow target(6, 4);
  if (!target.window()) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
  const std::vector<std::uint8_t> frame = gradientTopFirst(6, 4);
  ASSERT_TRUE(platform::detail::presentPixelsInWindow(target.window(), frame.data(), 6 * 4, 6, 4, 0, 0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(target.rgbAt(x, y), expected(x, y)) << x << "," << y;
  }

  // The same picture stored bottom row first, as GL reads frames back.
  std::vector<std::uint8_t> bottomFirst;
  for (int y = 3; y >= 0; --y) bottomFirst.insert(bottomFirst.end(), frame.begin() + y * 24, frame.begin() + y * 24 + 24);
  SDL_FillRect(SDL_GetWindowSurface(target.window()), nullptr, 0);
  ASSERT_TRUE(platform::detail::presentPixelsInWindow(target.window(), bottomFirst.data() + 3 * 24, -24, 6, 4, 0, 0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(target.rgbAt(x, y), expected(x, y)) << x << "," << y;
  }
}

TEST(WindowSurfacePresent, PlacesClipsAndBlacksOutTheRestOfTheWindow) {
  SurfaceWindow target(6, 4);
  if (!target.window()) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
  SDL_Surface* surface = SDL_GetWindowSurface(target.window());
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 255, 255));

  // A 4 x 3 frame with its top-left corner at (3, 2): only its top-left 3 x 2
  // lands in the window.
  const std::vector<std::uint8_t> frame = gradientTopFirst(4, 3);
  ASSERT_TRUE(platform::detail::presentPixelsInWindow(target.window(), frame.data(), 4 * 4, 4, 3, 3, 2));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 3 && y >= 2;
      EXPECT_EQ(target.rgbAt(x, y), inside ? expected(x - 3, y - 2) : 0u) << x << "," << y;
    }
  }

  // Entirely outside, above and to the left: all black, nothing read out of bounds.
  ASSERT_TRUE(platform::detail::presentPixelsInWindow(target.window(), frame.data(), 4 * 4, 4, 3, -10, -10));
  EXPECT_EQ(target.rgbAt(0, 0), 0u);
  EXPECT_EQ(target.rgbAt(5, 3), 0u);
}

TEST(WindowSurfacePresent, RefusesWhatItCannotShow) {
  const std::uint8_t pixel[4] = {1, 2, 3, 4};
  EXPECT_FALSE(platform::detail::presentPixelsInWindow(nullptr, pixel, 4, 1, 1, 0, 0));
  SurfaceWindow target(2, 2);
  if (!target.window()) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
  EXPECT_FALSE(platform::detail::presentPixelsInWindow(target.window(), nullptr, 4, 1, 1, 0, 0));
  EXPECT_FALSE(platform::detail::presentPixelsInWindow(target.window(), pixel, 4, 0, 1, 0, 0));
}

}  // namespace
