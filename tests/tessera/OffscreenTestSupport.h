#pragma once
// A fixture for off-screen drawing tests (grids and render textures): the
// display-refresh director on a manual clock drawing into a portrait
// 320 x 480 RGBA8888 window, headless; scenes run for a few frames and the
// last presented frame is read back. Every test skips when no GL context can
// be made.

#include "DirectorTestSupport.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCScene.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace offscreen_test {

using Rgba = std::array<int, 4>;

constexpr int kWidth = 320;
constexpr int kHeight = 480;

// One frame read back: rows from the top.
struct Frame {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  // The pixel at (x, y) in scene pixels, y up from the bottom.
  Rgba at(int x, int y) const {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
};

inline bool near(const Rgba& a, const Rgba& b, int tolerance, int channels = 4) {
  for (int i = 0; i < channels; ++i) {
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  }
  return true;
}

class OffscreenTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().headless = true;
    platform::Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    ASSERT_TRUE(CCDirector::setDirectorType(kCCDirectorTypeDisplayLink));
    director_ = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    director_->setPixelFormat(kCCPixelFormatRGBA8888);
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, kWidth, kHeight));
    ASSERT_TRUE(director_->attachInWindow(window_.get()));
  }
  void TearDown() override {
    scene_ = nullptr;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  // The running scene, made and started on the first call.
  CCScene* scene() {
    if (!scene_) {
      scene_ = CCScene::node();
      director_->runWithScene(scene_.get());
      window_->makeKeyAndVisible();
    }
    return scene_.get();
  }

  // Runs a few frames and reads the last one back.
  Frame drawFrame() {
    scene();
    platform::forgetLastPresentedFrame();
    platform::RunLoop::main().runFor(0.05);
    platform::CapturedFrame captured = platform::captureLastPresentedFrame();
    return Frame{captured.width, captured.height, std::move(captured.rgba)};
  }

  // A texture of `width` x `height` filled by `colorAt(x, y)` (y up from the
  // bottom, premultiplied RGBA), or nullptr.
  template <class ColorAt>
  static CCTexture2D* textureOf(int width, int height, ColorAt colorAt) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Rgba c = colorAt(x, y);
        // Sprites show the first row of the upload at their top.
        std::uint8_t* p = &pixels[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4];
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(c[i]);
      }
    }
    auto* texture = new CCTexture2D();
    if (!texture->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, width, height,
                               CGSizeMake(width, height))) {
      texture->release();
      return nullptr;
    }
    return platform::autoreleased(texture);
  }

  static CCSprite* solidSprite(int side, Rgba color, CGPoint position) {
    CCSprite* sprite = CCSprite::spriteWithTexture(textureOf(side, side, [&](int, int) { return color; }));
    sprite->setPosition(position);
    return sprite;
  }

  platform::ManualClock clock_;
  CCDirectorIOS* director_ = nullptr;
  platform::Ref<platform::Window> window_;
  platform::Ref<CCScene> scene_;
};

}  // namespace offscreen_test
