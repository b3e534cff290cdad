#include "tessera/CCTexture2D.h"

#include "platform/Exception.h"
#include "platform/Font.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCConfiguration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

using platform::Image;
using platform::PixelLayout;
using platform::Ref;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// A current OpenGL ES 1.1 context (skips without one) and an RGBA8 target
// drawn pixel for pixel with texturing on and blending off.
class CCTexture2DGLTest : public testing::Test {
 protected:
  void SetUp() override {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
    CCConfiguration::purgeSharedConfigurationForTesting();
  }
  void TearDown() override {
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_Default);
    if (!context_) return;
    platform::glExtensions().glDeleteFramebuffersOES(1, &framebuffer_);
    platform::glExtensions().glDeleteRenderbuffersOES(1, &renderbuffer_);
    platform::GLContext::setCurrentContext(nullptr);
    CCConfiguration::purgeSharedConfigurationForTesting();
  }
  // Draws with `draw` (`texture` sampled nearest) into a cleared width × height target and reads it back.
  template <class Draw>
  void render(CCTexture2D* texture, int width, int height, Draw draw) {
    const platform::GLExtensions& gl = platform::glExtensions();
    if (!framebuffer_) {
      gl.glGenFramebuffersOES(1, &framebuffer_);
      gl.glGenRenderbuffersOES(1, &renderbuffer_);
    }
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
    gl.glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer_);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, float(width), 0, float(height), -1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    texture->setAliasTexParameters();
    draw();
    width_ = width;
    pixels_.assign(std::size_t(width) * height * 4, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
  }
  // Target pixel (x, y), y up from the bottom row.
  std::array<int, 4> at(int x, int y) const {
    const uint8_t* p = &pixels_[(std::size_t(y) * width_ + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }

  Ref<platform::GLContext> context_;
  GLuint framebuffer_ = 0, renderbuffer_ = 0;
  int width_ = 0;
  std::vector<uint8_t> pixels_;
};

Ref<CCTexture2D> textureFrom(const Image* image) {
  Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
  return texture->initWithImage(image) ? texture : nullptr;
}

Image* imageOf(int width, int height, PixelLayout layout, std::vector<uint8_t> bytes = {}) {
  if (bytes.empty()) bytes.assign(std::size_t(width) * height * bytesPerPixel(layout), 200);
  return Image::imageWithPixels(width, height, layout, bytes.size() / height, bytes);
}

// "name: reason" of the exception `call` raises.
template <class Call>
std::string raised(Call call) {
  try {
    call();
  } catch (const platform::Exception& e) {
    return e.name() + ": " + e.reason();
  }
  return "nothing raised";
}

// A 2 × 2 PNG of 4-bit palette indices, no transparency (the encoder writes only 8-bit files).
std::vector<uint8_t> fourBitPalettePNG() {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&png](const char* type, std::vector<uint8_t> data) {
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(data.size() >> shift));
    data.insert(data.begin(), type, type + 4);
    const uLong crc = crc32(0, data.data(), uInt(data.size()));
    png.insert(png.end(), data.begin(), data.end());
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(crc >> shift));
  };
  const uint8_t rows[] = {0, 0x10, 0, 0x01};
  std::vector<uint8_t> packed(64);
  uLongf length = packed.size();
  compress(packed.data(), &length, rows, sizeof rows);
  packed.resize(length);
  chunk("IHDR", {0, 0, 0, 2, 0, 0, 0, 2, 4, 3, 0, 0, 0});
  chunk("PLTE", {255, 0, 0, 0, 0, 255});
  chunk("IDAT", packed);
  chunk("IEND", {});
  return png;
}

// [SECTION] Images: size, format, premultiplication

TEST_F(CCTexture2DGLTest, ImageSidesRoundUpToPowersOfTwo) {
  Ref<CCTexture2D> texture = textureFrom(imageOf(5, 129, PixelLayout::RGBA));
  ASSERT_TRUE(texture);
  EXPECT_EQ(8u, texture->pixelsWide());
  EXPECT_EQ(256u, texture->pixelsHigh());
  EXPECT_EQ(1u, textureFrom(imageOf(1, 1, PixelLayout::RGBA))->pixelsWide());
  texture = textureFrom(imageOf(64, 64, PixelLayout::RGBA));
  EXPECT_EQ(1.0f, texture->maxS());
  texture = textureFrom(imageOf(100, 60, PixelLayout::RGBA));
  EXPECT_EQ(0.78125f, texture->maxS());
  EXPECT_EQ(0.9375f, texture->maxT());
  EXPECT_EQ(100.0f, texture->contentSizeInPixels().width);
  EXPECT_THAT(texture->description(), testing::MatchesRegex("<CCTexture2D = [0-9A-F]{8,} \\| Name = [1-9][0-9]* \\| "
                                                            "Dimensions = 128x64 \\| Coordinates = \\(0\\.78, 0\\.94\\)>"));
}

TEST_F(CCTexture2DGLTest, FormatFollowsAlphaAndComponentDepth) {
  Image* palette = Image::imageWithData(fourBitPalettePNG());
  ASSERT_TRUE(palette && palette->bitsPerComponent() == 4);
  struct Case {
    const char* what;
    Image* image;
    CCTexture2DPixelFormat defaultFormat, format;
    bool premultiplied;
  };
  for (const Case& c : {Case{"alpha", imageOf(4, 4, PixelLayout::RGBA), kCCTexture2DPixelFormat_RGBA8888,
                             kCCTexture2DPixelFormat_RGBA8888, true},
                        Case{"alpha", imageOf(4, 4, PixelLayout::RGBA), kCCTexture2DPixelFormat_RGBA4444,
                             kCCTexture2DPixelFormat_RGBA4444, true},
                        Case{"alpha", imageOf(4, 4, PixelLayout::RGBA), kCCTexture2DPixelFormat_RGB565,
                             kCCTexture2DPixelFormat_RGB565, false},
                        Case{"8-bit opaque", imageOf(4, 4, PixelLayout::RGBX), kCCTexture2DPixelFormat_RGB5A1,
                             kCCTexture2DPixelFormat_RGB5A1, false},
                        Case{"mask", imageOf(4, 4, PixelLayout::Alpha8), kCCTexture2DPixelFormat_RGBA4444,
                             kCCTexture2DPixelFormat_A8, false},
                        Case{"4-bit opaque", palette, kCCTexture2DPixelFormat_RGBA4444, kCCTexture2DPixelFormat_RGB565,
                             false}}) {
    CCTexture2D::setDefaultAlphaPixelFormat(c.defaultFormat);
    Ref<CCTexture2D> texture = textureFrom(c.image);
    ASSERT_TRUE(texture) << c.what;
    EXPECT_EQ(c.format, texture->pixelFormat()) << c.what << ", default " << c.defaultFormat;
    EXPECT_EQ(c.premultiplied, texture->hasPremultipliedAlpha()) << c.what << ", default " << c.defaultFormat;
  }

  Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
  CCTexture2D::setDefaultAlphaPixelFormat(static_cast<CCTexture2DPixelFormat>(6));
  EXPECT_EQ("NSInternalInconsistencyException: Invalid pixel format",
            raised([&] { texture->initWithImage(imageOf(2, 2, PixelLayout::RGBA)); }));
  EXPECT_EQ("NSInternalInconsistencyException: ",
            raised([&] { texture->initWithData(nullptr, kCCTexture2DPixelFormat_Automatic, 4, 4, CGSizeMake(4, 4)); }));
  EXPECT_EQ(0u, texture->name()) << "a refused upload makes no GL texture";
}

// [SECTION] Drawing through the texture

TEST_F(CCTexture2DGLTest, ImageWithAlphaFillsTheTopRowsPremultiplied) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 100; ++x) bytes.insert(bytes.end(), {uint8_t(10 + 2 * x), uint8_t(4 * y), uint8_t(255 - x),
                                                             uint8_t(x < 50 ? 255 : y < 30 ? 128 : 0)});
  }
  Image* image = imageOf(100, 60, PixelLayout::RGBA, bytes);
  Ref<CCTexture2D> texture = textureFrom(image);
  ASSERT_TRUE(texture);
  EXPECT_TRUE(texture->hasPremultipliedAlpha());

  // All 128 × 64 texels; tolerance 1 per channel for the rounding of premultiplication.
  texture->setMaxS(1);
  texture->setMaxT(1);
  render(texture, 128, 64, [&] { texture->drawInRect(CGRectMake(0, 0, 128, 64)); });
  int mismatches = 0;
  for (int row = 0; row < 64; ++row) {
    for (int x = 0; x < 128; ++x) {
      const auto want = row < 60 && x < 100 ? image->premultipliedPixel(x, row) : std::array<uint8_t, 4>{};
      const auto got = at(x, 63 - row);  // the image's top row at the top of the quad
      for (int c = 0; c < 4; ++c) {
        if (std::abs(got[c] - want[c]) > 1 && mismatches++ < 5) ADD_FAILURE() << x << "," << row << " channel " << c;
      }
    }
  }
  EXPECT_EQ(0, mismatches);

  // drawAtPoint covers exactly the content, 100 × 60 pixels from the point.
  texture->setMaxS(0.78125f);
  texture->setMaxT(0.9375f);
  render(texture, 128, 64, [&] { texture->drawAtPoint(CGPointMake(10, 2)); });
  EXPECT_THAT(at(10, 2), ElementsAre(10, 4 * 59, 255, 255)) << "bottom-left: the image's last row";
  EXPECT_THAT(at(10, 61), ElementsAre(10, 0, 255, 255)) << "top-left: the image's first row";
  EXPECT_THAT(at(10, 62), ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(at(110, 30), ElementsAre(0, 0, 0, 0));
}

TEST_F(CCTexture2DGLTest, SixteenBitFormatsKeepTheTopBits) {
  // Opaque white (all ones), opaque red (red and alpha only), low values whose
  // truncation and rounding differ, and a half-transparent pixel
  // (premultiplied first; alpha 127 clears the 1-bit alpha).
  const std::vector<uint8_t> rgba = {255, 255, 255, 255, 255, 0, 0, 255, 0x1F, 0x2F, 0x47, 255, 200, 100, 50, 127};
  struct Case {
    CCTexture2DPixelFormat format;
    PixelLayout layout;
    int bits[4];  // red, green, blue, alpha; 0: none (reads 255)
  };
  for (const Case& c : {Case{kCCTexture2DPixelFormat_RGB565, PixelLayout::RGBX, {5, 6, 5, 0}},
                        Case{kCCTexture2DPixelFormat_RGBA4444, PixelLayout::RGBA, {4, 4, 4, 4}},
                        Case{kCCTexture2DPixelFormat_RGB5A1, PixelLayout::RGBA, {5, 5, 5, 1}}}) {
    CCTexture2D::setDefaultAlphaPixelFormat(c.format);
    Image* image = imageOf(4, 1, c.layout, rgba);
    Ref<CCTexture2D> texture = textureFrom(image);
    ASSERT_TRUE(texture && texture->pixelFormat() == c.format);
    render(texture, 4, 1, [&] { texture->drawAtPoint(CGPointZero); });
    for (int x = 0; x < 4; ++x) {
      for (int channel = 0; channel < 4; ++channel) {
        const int bits = c.bits[channel], kept = image->premultipliedPixel(x, 0)[channel] >> (8 - bits);
        const int expected = bits == 0 ? 255 : int(std::lround(kept * 255.0 / ((1 << bits) - 1)));  // as GL widens it
        EXPECT_NEAR(expected, at(x, 0)[channel], 1) << "format " << c.format << " pixel " << x << " channel " << channel;
      }
    }
  }
}

TEST_F(CCTexture2DGLTest, NarrowPackedRowsStayInTheirRows) {
  // A 2 × 3 mask makes a 2 × 4 A8 texture with 2-byte rows.
  Ref<CCTexture2D> texture = textureFrom(imageOf(2, 3, PixelLayout::Alpha8, {10, 20, 30, 40, 50, 60}));
  ASSERT_TRUE(texture && texture->pixelFormat() == kCCTexture2DPixelFormat_A8);
  texture->setMaxT(1);
  render(texture, 2, 4, [&] { texture->drawInRect(CGRectMake(0, 0, 2, 4)); });
  EXPECT_THAT((std::vector<int>{at(0, 3)[3], at(1, 2)[3], at(1, 1)[3], at(0, 0)[3]}), ElementsAre(10, 40, 60, 0));
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(4, alignment) << "restored";
}

// [SECTION] Text

TEST_F(CCTexture2DGLTest, GlyphsCoverTheBoxByAlignment) {
  if (!platform::Font::fontWithName("DejaVu Sans", 20)) GTEST_SKIP() << "no DejaVu Sans";
  int previousCentre = -1;
  for (int alignment : {0, 1, 2}) {
    Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
    ASSERT_TRUE(texture->initWithString("II", CGSizeMake(128, 20.5f), alignment, "DejaVu Sans", 20));
    EXPECT_EQ(kCCTexture2DPixelFormat_A8, texture->pixelFormat());
    EXPECT_FALSE(texture->hasPremultipliedAlpha());
    EXPECT_EQ(32u, texture->pixelsHigh()) << "20.5 truncates to 20, then 32";
    texture->setMaxT(1);
    render(texture, 128, 32, [&] { texture->drawInRect(CGRectMake(0, 0, 128, 32)); });
    int left = 128, right = -1, lowestRow = -1;  // rows counted from the texture's first row
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 128; ++x) {
        if (at(x, y)[3] < 128) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        lowestRow = std::max(lowestRow, 31 - y);
      }
    }
    ASSERT_GE(right, 0) << "no coverage for alignment " << alignment;
    EXPECT_LT(right - left, 30) << "two narrow glyphs";
    EXPECT_LT(lowestRow, 21) << "the text starts at the top of the box";
    const int centre = (left + right) / 2;
    EXPECT_TRUE(alignment == 0 ? left < 6 : alignment == 1 ? std::abs(centre - 64) <= 3 : right > 121)
        << "alignment " << alignment << ": columns " << left << ".." << right;
    EXPECT_GT(centre, previousCentre);
    previousCentre = centre;
  }
}

TEST_F(CCTexture2DGLTest, TextWithoutAUsableFontInvalid) {
  Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
  testing_support::LogCapture log;
  EXPECT_FALSE(texture->initWithString("x", "No Such Font Family", 12));
  Ref<platform::Object> notAFont = Ref<platform::Object>::adopt(new platform::Object());
  EXPECT_FALSE(texture->initWithString("x", CGSizeMake(32, 32), 0, notAFont.get()));
  EXPECT_THAT(log.text(), testing::AllOf(HasSubstr("No Such Font Family"), HasSubstr("custom fonts")));
  testing_support::AssertionRecorder assertions;
  EXPECT_FALSE(texture->initWithString("x", CGSizeMake(32, 32), 0, static_cast<platform::Object*>(nullptr)));
  EXPECT_THAT(assertions.messages(), ElementsAre("Invalid font"));
  EXPECT_EQ(0u, texture->name());
}

// [SECTION] Parameters

TEST_F(CCTexture2DGLTest, RepeatAndMipmapsNeedPowerOfTwoSides) {
  testing_support::AssertionRecorder assertions;
  const ccTexParams repeat{GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT};
  Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
  for (unsigned int width : {128u, 100u}) {
    texture->initWithData(nullptr, kCCTexture2DPixelFormat_RGBA8888, width, 64, CGSizeMake(100, 64));
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(GL_CLAMP_TO_EDGE, wrap) << "clamped by default";
    texture->setTexParameters(&repeat);
    texture->generateMipmap();
  }
  EXPECT_THAT(assertions.messages(), ElementsAre("GL_CLAMP_TO_EDGE should be used in NPOT textures",
                                                 "Mimpap texture only works in POT textures"))
      << "the 100-pixel texture only";
  EXPECT_THAT(assertions.files()[0], HasSubstr("libs/tessera/CCTexture2D"));
}

// Without a current context the configuration reads a maximum texture size
// of 0, so every image is too large: the refusal names both sizes.
TEST(CCTexture2DTest, ImageLargerThanTheMaximumTextureSizeInvalid) {
  platform::GLContext::setCurrentContext(nullptr);
  CCConfiguration::purgeSharedConfigurationForTesting();
  CCConfiguration::setExtensionStringForTesting("");
  ASSERT_EQ(0, CCConfiguration::sharedConfiguration()->maxTextureSize());
  testing_support::LogCapture log;
  EXPECT_FALSE(textureFrom(imageOf(5, 3, PixelLayout::RGBA)));
  EXPECT_THAT(log.text(), HasSubstr("CCTexture2D: image of 5x3 needs a 8x4 texture, more than the maximum texture size 0"));
  CCConfiguration::setExtensionStringForTesting(std::nullopt);
  CCConfiguration::purgeSharedConfigurationForTesting();
}

}  // namespace
