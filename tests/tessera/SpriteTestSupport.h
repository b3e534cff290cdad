#pragma once
// Fixtures shared by the sprite-frame, sprite and batch-node tests: a resource
// folder of their own with sheets and images written in code, singletons
// purged after every test, and a headless OpenGL ES 1 context that draws into
// a frame-buffer object read back pixel by pixel.

#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCAnimationCache.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCDirector.h"
#include "tessera/CCNode.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/ccMacros.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace sprite_test {

using Rgba = std::array<int, 4>;

/// A picture to write as PNG: straight RGBA, top row first, transparent.
struct Picture {
  Picture(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w * h * 4), 0) {}
  void set(int x, int y, Rgba c) {
    for (std::size_t i = 0; i < 4; ++i) rgba[static_cast<std::size_t>((y * width + x) * 4) + i] = std::uint8_t(c[i]);
  }
  void fill(int x, int y, int w, int h, Rgba c) {
    for (int row = y; row < y + h; ++row) {
      for (int column = x; column < x + w; ++column) set(column, row, c);
    }
  }
  int width;
  int height;
  std::vector<std::uint8_t> rgba;
};

inline constexpr Rgba kRed{255, 0, 0, 255};
inline constexpr Rgba kGreen{0, 255, 0, 255};
inline constexpr Rgba kBlue{0, 0, 255, 255};
inline constexpr Rgba kYellow{255, 255, 0, 255};
inline constexpr Rgba kCyan{0, 255, 255, 255};
inline constexpr Rgba kMagenta{255, 0, 255, 255};
inline constexpr Rgba kWhite{255, 255, 255, 255};
inline constexpr Rgba kBlack{0, 0, 0, 255};

// [SECTION] The test sheet
//
// A 64 x 64 sheet (x 2 at scale 2) of solid squares and one four-colour
// picture, 16 x 8 pixels, stored once upright and once turned 90 degrees
// clockwise: blue top left, yellow top right, cyan bottom left, magenta
// bottom right. "trimmed" is a 16 x 16 magenta square cut from a 32 x 32
// picture, offset (4, -4).

struct SheetFrame {
  const char* name;
  CGRect rect;  // pixels at scale 1
  bool rotated;
  CGPoint offset;
  CGSize original;
};

inline const std::vector<SheetFrame>& sheetFrames() {
  static const std::vector<SheetFrame> frames = {
      {"red.png", CGRectMake(0, 0, 16, 16), false, CGPointMake(0, 0), CGSizeMake(16, 16)},
      {"green.png", CGRectMake(16, 0, 16, 16), false, CGPointMake(0, 0), CGSizeMake(16, 16)},
      {"blue.png", CGRectMake(32, 0, 16, 16), false, CGPointMake(0, 0), CGSizeMake(16, 16)},
      {"white.png", CGRectMake(48, 0, 16, 16), false, CGPointMake(0, 0), CGSizeMake(16, 16)},
      {"quad.png", CGRectMake(0, 16, 16, 8), false, CGPointMake(0, 0), CGSizeMake(16, 8)},
      {"quadRotated.png", CGRectMake(16, 16, 16, 8), true, CGPointMake(0, 0), CGSizeMake(16, 8)},
      {"trimmed.png", CGRectMake(32, 16, 16, 16), false, CGPointMake(4, -4), CGSizeMake(32, 32)},
  };
  return frames;
}

/// Colour of the four-colour picture at (x, y) of its 16 x 8 pixels, y down.
inline Rgba quadColor(int x, int y) {
  if (y < 4) return x < 8 ? kBlue : kYellow;
  return x < 8 ? kCyan : kMagenta;
}

inline Picture sheetPicture(int scale = 1) {
  Picture picture(64 * scale, 64 * scale);
  auto fill = [&](int x, int y, int w, int h, Rgba c) { picture.fill(x * scale, y * scale, w * scale, h * scale, c); };
  fill(0, 0, 16, 16, kRed);
  fill(16, 0, 16, 16, kGreen);
  fill(32, 0, 16, 16, kBlue);
  fill(48, 0, 16, 16, kWhite);
  fill(32, 16, 16, 16, kMagenta);
  for (int y = 0; y < 8 * scale; ++y) {
    for (int x = 0; x < 16 * scale; ++x) {
      const Rgba c = quadColor(x / scale, y / scale);
      picture.set(x, 16 * scale + y, c);  // upright at (0, 16)
      // Turned clockwise into an 8 x 16 region at (16, 16): the picture's
      // left column becomes the region's top row.
      picture.set(16 * scale + (8 * scale - 1 - y), 16 * scale + x, c);
    }
  }
  return picture;
}

/// The sheet's frames as a list of `format` (0 to 3), pixel values times
/// `scale`; format 0 and 1 lists leave out rotated frames. A format-0 list
/// has no metadata unless it names a texture file.
inline platform::Value sheetList(int format, float scale = 1, const std::string& textureFileName = "") {
  using platform::Value;
  Value::Dict frames;
  for (const SheetFrame& entry : sheetFrames()) {
    if (entry.rotated && format < 2) continue;
    const CGRect r = CGRectMake(entry.rect.origin.x * scale, entry.rect.origin.y * scale, entry.rect.size.width * scale,
                                entry.rect.size.height * scale);
    const CGPoint offset = CGPointMake(entry.offset.x * scale, entry.offset.y * scale);
    const CGSize original = CGSizeMake(entry.original.width * scale, entry.original.height * scale);
    Value::Dict frame;
    switch (format) {
      case 0:
        frame = {{"x", r.origin.x},          {"y", r.origin.y},
                 {"width", r.size.width},    {"height", r.size.height},
                 {"offsetX", offset.x},      {"offsetY", offset.y},
                 {"originalWidth", static_cast<int>(original.width)},
                 {"originalHeight", static_cast<int>(original.height)}};
        break;
      case 1:
      case 2:
        frame = {{"frame", NSStringFromCGRect(r)},
                 {"offset", NSStringFromCGPoint(offset)},
                 {"sourceSize", NSStringFromCGSize(original)}};
        if (format == 2) frame.set("rotated", entry.rotated);
        break;
      default:
        // The size of "textureRect" is not used.
        frame = {{"textureRect", NSStringFromCGRect(CGRectMake(r.origin.x, r.origin.y, 99, 99))},
                 {"spriteSize", NSStringFromCGSize(r.size)},
                 {"spriteOffset", NSStringFromCGPoint(offset)},
                 {"spriteSourceSize", NSStringFromCGSize(original)},
                 {"textureRotated", entry.rotated},
                 {"aliases", Value::Array{}}};
        break;
    }
    frames.set(entry.name, Value(std::move(frame)));
  }
  Value::Dict list{{"frames", Value(std::move(frames))}};
  if (format != 0 || !textureFileName.empty()) {
    Value::Dict metadata{{"format", format}};
    if (!textureFileName.empty()) metadata.set("textureFileName", textureFileName);
    list.set("metadata", Value(std::move(metadata)));
  }
  return Value(std::move(list));
}

/// A resource folder of the test's own (facts().resourceDir), content scale
/// factor 1, and every singleton the sprite classes touch purged at the end.
/// Objects autoreleased during the test are released before the purge.
class SpriteTestBase : public testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    resources_ = std::filesystem::temp_directory_path() /
                 ("tessera-sprite-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(resources_);
    platform::facts().resourceDir = resources_.string();
    pool_ = platform::AutoreleasePool::push();
  }
  void TearDown() override {
    platform::AutoreleasePool::pop(pool_);
    CCSpriteFrameCache::purgeSharedSpriteFrameCache();
    CCAnimationCache::purgeSharedAnimationCache();
    CCTextureCache::purgeSharedTextureCache();
    CCActionManager::purgeSharedManager();
    CCScheduler::purgeSharedScheduler();
    CCDirector::purgeSharedDirector();
    CCConfiguration::purgeSharedConfigurationForTesting();
    ccSetContentScaleFactor(1.0f);
    platform::resetFacts();
    std::error_code ignored;
    std::filesystem::remove_all(resources_, ignored);
  }

  /// Full path of a resource.
  std::string path(const std::string& relative) const { return (resources_ / relative).string(); }
  void writeText(const std::string& relative, const std::string& text) const {
    std::filesystem::create_directories((resources_ / relative).parent_path());
    std::ofstream(path(relative), std::ios::binary) << text;
  }
  void writeList(const std::string& relative, const platform::Value& list) const {
    std::filesystem::create_directories((resources_ / relative).parent_path());
    ASSERT_TRUE(platform::writePropertyListFile(path(relative), list)) << relative;
  }
  void writePNG(const std::string& relative, const Picture& picture) const {
    platform::Ref<platform::Image> image = platform::Image::imageWithPixels(
        picture.width, picture.height, platform::PixelLayout::RGBA, static_cast<std::size_t>(picture.width * 4),
        std::span<const std::uint8_t>(picture.rgba));
    ASSERT_TRUE(image);
    auto png = image->encodePNG();
    ASSERT_TRUE(png);
    std::filesystem::create_directories((resources_ / relative).parent_path());
    std::ofstream(path(relative), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  }

  std::filesystem::path resources_;
  std::size_t pool_ = 0;
};

/// SpriteTestBase with a current GL ES 1 context drawing into a kSize x kSize
/// RGBA frame-buffer object, set up as the director sets up a frame: an
/// orthographic projection of one unit per pixel, the vertex, colour and
/// texture-coordinate arrays and 2-D texturing enabled, premultiplied-alpha
/// blending. Skips when no context can be made.
class SpriteGLTest : public SpriteTestBase {
 protected:
  static constexpr int kSize = 64;

  void SetUp() override {
    SpriteTestBase::SetUp();
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_) GTEST_SKIP() << "no OpenGL ES 1 context on this machine";
    ASSERT_TRUE(platform::GLContext::setCurrentContext(context_));
    const platform::GLExtensions& gl = platform::glExtensions();
    if (!gl.glGenFramebuffersOES) GTEST_SKIP() << "no frame-buffer objects";

    glGenTextures(1, &target_);
    glBindTexture(GL_TEXTURE_2D, target_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.glGenFramebuffersOES(1, &framebuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, target_, 0);
    if (gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
      GTEST_SKIP() << "frame-buffer object incomplete";
    }

    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, kSize, 0, kSize, -1024, 1024);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
  }

  void TearDown() override {
    if (context_) {
      // Objects of the test and the caches go while the context is current,
      // so their GL names are deleted with it.
      platform::AutoreleasePool::pop(pool_);
      pool_ = platform::AutoreleasePool::push();
      CCSpriteFrameCache::purgeSharedSpriteFrameCache();
      CCAnimationCache::purgeSharedAnimationCache();
      CCTextureCache::purgeSharedTextureCache();
      const platform::GLExtensions& gl = platform::glExtensions();
      if (gl.glBindFramebufferOES) gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
      if (framebuffer_ && gl.glDeleteFramebuffersOES) gl.glDeleteFramebuffersOES(1, &framebuffer_);
      if (target_) glDeleteTextures(1, &target_);
      CCConfiguration::purgeSharedConfigurationForTesting();
      platform::GLContext::setCurrentContext(nullptr);
      context_ = nullptr;
    }
    SpriteTestBase::TearDown();
  }

  /// Clears to opaque black, visits `node` (with the identity model-view
  /// matrix) and waits for the drawing.
  void render(CCNode* node) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    node->visit();
    glFinish();
  }

  /// The pixel at (x, y), y counted up from the bottom row.
  Rgba pixel(int x, int y) const {
    std::uint8_t p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
  }

  /// A texture of `w` x `h` pixels whose picture is `content` pixels, with
  /// undefined contents. Owned by the caller.
  static platform::Ref<CCTexture2D> blankTexture(unsigned w, unsigned h, CGSize content) {
    auto* texture = new CCTexture2D();
    texture->initWithData(nullptr, kCCTexture2DPixelFormat_RGBA8888, w, h, content);
    return platform::Ref<CCTexture2D>::adopt(texture);
  }

  platform::Ref<platform::GLContext> context_;
  GLuint framebuffer_ = 0;
  GLuint target_ = 0;
};

/// Whether the colour channels of `actual` are within `tolerance` of `expected`.
inline testing::AssertionResult colorNear(Rgba expected, Rgba actual, int tolerance = 2) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::abs(expected[i] - actual[i]) > tolerance) {
      return testing::AssertionFailure() << "got (" << actual[0] << "," << actual[1] << "," << actual[2] << ")";
    }
  }
  return testing::AssertionSuccess();
}

}  // namespace sprite_test
