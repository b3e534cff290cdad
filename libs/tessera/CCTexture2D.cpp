#include "tessera/CCTexture2D.h"

#include "platform/Assert.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Font.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/StringDrawing.h"
#include "platform/StringUtils.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCTexturePVR.h"
#include "tessera/Support/CGPointExtension.h"
#include "tessera/ccMacros.h"
#include "zfont/FontManager.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <GLES/glext.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// [SECTION] Helpers
// [SECTION] Class-wide settings
// [SECTION] Upload
// [SECTION] Images
// [SECTION] Text
// [SECTION] PVR
// [SECTION] Parameters and drawing

namespace {

// [SECTION] Helpers

std::atomic<int> g_defaultAlphaPixelFormat{kCCTexture2DPixelFormat_Default};
std::atomic<bool> g_PVRHaveAlphaPremultiplied{false};

bool isPowerOfTwo(unsigned int x) { return x == nextPowerOfTwo(x); }

struct GLFormat {
  GLenum format;
  GLenum type;
  unsigned int bytesPerPixel;
};

// GL upload format of a pixel format code; false for codes outside 1..5.
bool glFormatOf(CCTexture2DPixelFormat pixelFormat, GLFormat& out) {
  switch (pixelFormat) {
    case kCCTexture2DPixelFormat_RGBA8888: out = {GL_RGBA, GL_UNSIGNED_BYTE, 4}; return true;
    case kCCTexture2DPixelFormat_RGB565: out = {GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2}; return true;
    case kCCTexture2DPixelFormat_A8: out = {GL_ALPHA, GL_UNSIGNED_BYTE, 1}; return true;
    case kCCTexture2DPixelFormat_RGBA4444: out = {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 2}; return true;
    case kCCTexture2DPixelFormat_RGB5A1: out = {GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 2}; return true;
    default: return false;
  }
}

// Rewrites `count` 4-byte pixels (bytes R, G, B, A) as 16-bit words of
// `format` (2, 4 or 5) into `out`. Each pixel is read as a little-endian word
// P (R in bits 0-7, A in bits 24-31); the top bits of each component are kept,
// never rounded.
void convertTo16Bit(const uint8_t* in, uint16_t* out, std::size_t count, CCTexture2DPixelFormat format) {
  for (std::size_t i = 0; i < count; ++i, in += 4) {
    const uint32_t p = uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
    uint32_t word = 0;
    switch (format) {
      case kCCTexture2DPixelFormat_RGB565:
        word = ((p << 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 19) & 0x001F);
        break;
      case kCCTexture2DPixelFormat_RGBA4444:
        word = ((p << 8) & 0xF000) | ((p >> 4) & 0x0F00) | ((p >> 16) & 0x00F0) | (p >> 28);
        break;
      default:  // RGB5A1
        word = ((p << 8) & 0xF800) | ((p >> 5) & 0x07C0) | ((p >> 18) & 0x003E) | (p >> 31);
        break;
    }
    out[i] = static_cast<uint16_t>(word);
  }
}

// A box side (points, float) as whole pixels, truncated; 0 for values that are
// negative, not a number, or too large for any texture.
unsigned int truncatedSide(float side) {
  if (!(side >= 0.0f) || side >= 65536.0f) return 0;
  return static_cast<unsigned int>(side);
}

}  // namespace

// [SECTION] Class-wide settings

void CCTexture2D::setDefaultAlphaPixelFormat(CCTexture2DPixelFormat format) {
  g_defaultAlphaPixelFormat.store(format, std::memory_order_relaxed);
}

CCTexture2DPixelFormat CCTexture2D::defaultAlphaPixelFormat() {
  return static_cast<CCTexture2DPixelFormat>(g_defaultAlphaPixelFormat.load(std::memory_order_relaxed));
}

void CCTexture2D::PVRImagesHavePremultipliedAlpha(bool haveAlphaPremultiplied) {
  g_PVRHaveAlphaPremultiplied.store(haveAlphaPremultiplied, std::memory_order_relaxed);
}

bool CCTexture2D::PVRImagesHavePremultipliedAlpha() {
  return g_PVRHaveAlphaPremultiplied.load(std::memory_order_relaxed);
}

// [SECTION] Upload

CCTexture2D::~CCTexture2D() { deleteName(); }

void CCTexture2D::deleteName() {
  if (name_ != 0) glDeleteTextures(1, &name_);
  name_ = 0;
}

bool CCTexture2D::initWithData(const void* data, CCTexture2DPixelFormat pixelFormat, unsigned int pixelsWide,
                               unsigned int pixelsHigh, CGSize contentSize) {
  GLFormat gl{};
  // Checked before any GL work, so a refused code leaves no texture behind.
  if (!glFormatOf(pixelFormat, gl)) throw platform::Exception(platform::kInternalInconsistencyException, "");

  // Initialising a live texture again must not leak its current GL name.
  deleteName();
  glGenTextures(1, &name_);
  glBindTexture(GL_TEXTURE_2D, name_);
  setAntiAliasTexParameters();
#ifdef __EMSCRIPTEN__
  // The web's fixed-function emulation modulates alpha-only textures to
  // black: A8 goes up as luminance-alpha with full luminance, which
  // modulates exactly as an alpha texture does.
  if (pixelFormat == kCCTexture2DPixelFormat_A8) {
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    std::vector<uint8_t> luminanceAlpha;
    if (data != nullptr) {
      const std::size_t sourceStride = (pixelsWide + alignment - 1) / alignment * alignment;
      const auto* source = static_cast<const uint8_t*>(data);
      luminanceAlpha.resize(std::size_t{pixelsWide} * pixelsHigh * 2);
      for (std::size_t row = 0; row < pixelsHigh; ++row) {
        for (std::size_t column = 0; column < pixelsWide; ++column) {
          luminanceAlpha[(row * pixelsWide + column) * 2] = 255;
          luminanceAlpha[(row * pixelsWide + column) * 2 + 1] = source[row * sourceStride + column];
        }
      }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, static_cast<GLsizei>(pixelsWide),
                 static_cast<GLsizei>(pixelsHigh), 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
                 data != nullptr ? luminanceAlpha.data() : nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(gl.format), static_cast<GLsizei>(pixelsWide),
                 static_cast<GLsizei>(pixelsHigh), 0, gl.format, gl.type, data);
  }
#else
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(gl.format), static_cast<GLsizei>(pixelsWide),
               static_cast<GLsizei>(pixelsHigh), 0, gl.format, gl.type, data);
#endif

  size_ = contentSize;
  width_ = pixelsWide;
  height_ = pixelsHigh;
  format_ = pixelFormat;
  maxS_ = contentSize.width / static_cast<float>(pixelsWide);
  maxT_ = contentSize.height / static_cast<float>(pixelsHigh);
  hasPremultipliedAlpha_ = false;
  return true;
}

bool CCTexture2D::initWithPackedData(const void* data, CCTexture2DPixelFormat pixelFormat, unsigned int pixelsWide,
                                     unsigned int pixelsHigh, CGSize contentSize) {
  GLFormat gl{};
  const bool padded = glFormatOf(pixelFormat, gl) && (pixelsWide * gl.bytesPerPixel) % 4 != 0;
  GLint previousAlignment = 4;
  if (padded) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  const bool made = initWithData(data, pixelFormat, pixelsWide, pixelsHigh, contentSize);
  if (padded) glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  return made;
}

void* CCTexture2D::keepData(void* data, unsigned int length) { return data; }

void CCTexture2D::releaseData(void* data) { std::free(data); }

CGSize CCTexture2D::contentSize() const {
  const float scale = CC_CONTENT_SCALE_FACTOR();
  return CGSizeMake(size_.width / scale, size_.height / scale);
}

std::string CCTexture2D::description() const {
  return platform::formatString("<%s = %s | Name = %i | Dimensions = %ix%i | Coordinates = (%.2f, %.2f)>", className(),
                                platform::addressString(this).c_str(), static_cast<int>(name_),
                                static_cast<int>(width_), static_cast<int>(height_), static_cast<double>(maxS_),
                                static_cast<double>(maxT_));
}

// [SECTION] Images

bool CCTexture2D::initWithImage(const platform::Image* image) {
  if (image == nullptr || image->width() <= 0 || image->height() <= 0) return false;

  const unsigned int imageWidth = static_cast<unsigned int>(image->width());
  const unsigned int imageHeight = static_cast<unsigned int>(image->height());
  const unsigned int width = nextPowerOfTwo(imageWidth);
  const unsigned int height = nextPowerOfTwo(imageHeight);
  const auto maxTextureSize = static_cast<unsigned int>(
      std::max<GLint>(0, CCConfiguration::sharedConfiguration()->maxTextureSize()));
  if (height > maxTextureSize || width > maxTextureSize) {
    CCLOG("tessera: CCTexture2D: image of %ux%u needs a %ux%u texture, more than the maximum texture size %u",
          imageWidth, imageHeight, width, height, maxTextureSize);
    return false;
  }

  const int alphaInfo = image->alphaInfo();
  const bool hasAlpha = alphaInfo >= platform::Image::kAlphaPremultipliedLast && alphaInfo <= platform::Image::kAlphaFirst;

  CCTexture2DPixelFormat pixelFormat;
  if (!image->hasColorSpace()) {
    pixelFormat = kCCTexture2DPixelFormat_A8;
  } else if (hasAlpha || image->bitsPerComponent() >= 8) {
    pixelFormat = defaultAlphaPixelFormat();
  } else {
    pixelFormat = kCCTexture2DPixelFormat_RGB565;
  }
  if (pixelFormat < kCCTexture2DPixelFormat_RGBA8888 || pixelFormat > kCCTexture2DPixelFormat_RGB5A1) {
    throw platform::Exception(platform::kInternalInconsistencyException, "Invalid pixel format");
  }

  // Formats with colour are drawn as 4-byte R, G, B, A pixels (premultiplied
  // when the image has alpha and the format keeps it); A8 as coverage only.
  platform::CanvasLayout layout = platform::CanvasLayout::RGBX;
  std::size_t bytesPerPixel = 4;
  bool premultiplied = false;
  if (pixelFormat == kCCTexture2DPixelFormat_A8) {
    layout = platform::CanvasLayout::Alpha8;
    bytesPerPixel = 1;
  } else if (pixelFormat != kCCTexture2DPixelFormat_RGB565 && hasAlpha) {
    layout = platform::CanvasLayout::RGBAPremultiplied;
    premultiplied = true;
  }

  // Zero-filled: everything the image does not cover stays transparent black.
  const std::size_t pixelCount = std::size_t(width) * height;
  auto* data = static_cast<uint8_t*>(std::calloc(pixelCount, bytesPerPixel));
  if (data == nullptr) return false;
  {
    platform::Ref<platform::Canvas> canvas = platform::Ref<platform::Canvas>::adopt(new platform::Canvas());
    if (!canvas->initWithBuffer(data, static_cast<int>(width), static_cast<int>(height), width * bytesPerPixel,
                                layout)) {
      releaseData(data);
      return false;
    }
    // The canvas's origin is its bottom-left corner: lifting it by the unused
    // rows puts the image's top row in the buffer's first row.
    canvas->translate(0, static_cast<float>(height - imageHeight));
    canvas->drawImage(image, CGRectMake(0, 0, static_cast<float>(imageWidth), static_cast<float>(imageHeight)));
  }

  if (pixelFormat == kCCTexture2DPixelFormat_RGB565 || pixelFormat == kCCTexture2DPixelFormat_RGBA4444 ||
      pixelFormat == kCCTexture2DPixelFormat_RGB5A1) {
    auto* converted = static_cast<uint16_t*>(std::malloc(pixelCount * sizeof(uint16_t)));
    if (converted == nullptr) {
      releaseData(data);
      return false;
    }
    convertTo16Bit(data, converted, pixelCount, pixelFormat);
    releaseData(data);
    data = reinterpret_cast<uint8_t*>(converted);
  }

  initWithPackedData(data, pixelFormat, width, height,
                     CGSizeMake(static_cast<float>(imageWidth), static_cast<float>(imageHeight)));
  hasPremultipliedAlpha_ = premultiplied;
  releaseData(data);
  return true;
}

// [SECTION] Text

namespace {

// The font the text initialisers draw with: an installed system font (or an
// alias of one), else a custom font of the application's own font files
// through the font manager. Neither gives nullptr and a log line.
platform::Object* fontForText(const std::string& fontName, float fontSize) {
  if (platform::Font* font = platform::Font::fontWithName(fontName, fontSize)) return font;
  if (ZFont* font = FontManager::sharedManager()->zFontWithName(fontName, fontSize)) return font;
  CCLOG("tessera: CCTexture2D: no font named '%s' (size %.1f) among the system fonts or the custom fonts",
        fontName.c_str(), static_cast<double>(fontSize));
  return nullptr;
}

}  // namespace

bool CCTexture2D::initWithString(const std::string& text, const std::string& fontName, float fontSize) {
  platform::Object* font = fontForText(fontName, fontSize);
  if (font == nullptr) return false;
  auto* customFont = dynamic_cast<ZFont*>(font);
  const CGSize box = customFont ? sizeWithZFont(text, customFont)
                                : platform::sizeWithFont(text, static_cast<platform::Font*>(font));
  return initWithString(text, box, platform::kTextAlignmentCenter, font);
}

bool CCTexture2D::initWithString(const std::string& text, CGSize dimensions, int alignment,
                                 const std::string& fontName, float fontSize) {
  platform::Object* font = fontForText(fontName, fontSize);
  if (font == nullptr) return false;
  return initWithString(text, dimensions, alignment, font);
}

bool CCTexture2D::initWithString(const std::string& text, CGSize dimensions, int alignment, platform::Object* font) {
  CCAssert(font != nullptr, "Invalid font");
  if (font == nullptr) return false;
  auto* systemFont = dynamic_cast<platform::Font*>(font);
  auto* customFont = dynamic_cast<ZFont*>(font);
  if (systemFont == nullptr && customFont == nullptr) {
    CCLOG("tessera: CCTexture2D: cannot draw text in %s: neither a system font nor a custom font",
          font->className());
    return false;
  }

  const unsigned int width = nextPowerOfTwo(truncatedSide(dimensions.width));
  const unsigned int height = nextPowerOfTwo(truncatedSide(dimensions.height));
  auto* data = static_cast<uint8_t*>(std::calloc(std::size_t(width) * height, 1));
  if (data == nullptr) return false;
  {
    // An empty box gives no canvas: the drawing context can't be made.
    platform::Ref<platform::Canvas> canvas = platform::Ref<platform::Canvas>::adopt(new platform::Canvas());
    if (width == 0 || height == 0 ||
        !canvas->initWithBuffer(data, static_cast<int>(width), static_cast<int>(height), width,
                                platform::CanvasLayout::Grey8)) {
      releaseData(data);
      return false;
    }
    canvas->setFillGrey(1.0f, 1.0f);
    // y grows downward from the buffer's first row: the top of the text.
    canvas->translate(0.0f, static_cast<float>(height));
    canvas->scale(1.0f, -1.0f);
    platform::Canvas::pushCurrent(canvas);
    const CGRect box = CGRectMake(0, 0, dimensions.width, dimensions.height);
    if (systemFont) {
      platform::drawInRect(canvas, text, systemFont, box, platform::kLineBreakWordWrap, alignment);
    } else {
      ::drawInRect(canvas, text, box, customFont, platform::kLineBreakWordWrap, alignment);
    }
    platform::Canvas::popCurrent();
  }

  initWithPackedData(data, kCCTexture2DPixelFormat_A8, width, height, dimensions);
  releaseData(data);
  return true;
}

// [SECTION] PVR

bool CCTexture2D::initWithPVRFile(const std::string& path) {
  platform::Ref<CCTexturePVR> pvr = platform::Ref<CCTexturePVR>::adopt(new CCTexturePVR());
  if (!pvr->initWithContentsOfFile(path)) return false;

  pvr->setRetainName(true);
  deleteName();
  name_ = pvr->name();
  width_ = pvr->width();
  height_ = pvr->height();
  size_ = CGSizeMake(static_cast<float>(width_), static_cast<float>(height_));
  maxS_ = 1.0f;
  maxT_ = 1.0f;
  hasPremultipliedAlpha_ = PVRImagesHavePremultipliedAlpha();
  pvr = nullptr;
  setAntiAliasTexParameters();
  return true;
}

bool CCTexture2D::initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length) {
  if (!CCConfiguration::sharedConfiguration()->supportsPVRTC()) return false;
  if (length <= 0) return false;

  deleteName();
  glGenTextures(1, &name_);
  glBindTexture(GL_TEXTURE_2D, name_);
  setAntiAliasTexParameters();

  GLenum format;
  if (hasAlpha) {
    format = bpp == 4 ? GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG : GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG;
  } else {
    format = bpp == 4 ? GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG : GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG;
  }
  // Computed wide: bpp × length² overflows an int for large sides.
  const int64_t imageSize = std::max<int64_t>(int64_t(bpp) * length * length / 8, 32);
  glCompressedTexImage2D(GL_TEXTURE_2D, level, format, length, length, 0,
                         static_cast<GLsizei>(std::min<int64_t>(imageSize, INT32_MAX)), data);

  size_ = CGSizeMake(static_cast<float>(length), static_cast<float>(length));
  width_ = static_cast<unsigned int>(length);
  height_ = static_cast<unsigned int>(length);
  maxS_ = 1.0f;
  maxT_ = 1.0f;
  hasPremultipliedAlpha_ = PVRImagesHavePremultipliedAlpha();
  return true;
}

// [SECTION] Parameters and drawing

void CCTexture2D::setTexParameters(const ccTexParams* texParams) {
  CCAssert((isPowerOfTwo(width_) && isPowerOfTwo(height_)) ||
               (texParams->wrapS == GL_CLAMP_TO_EDGE && texParams->wrapT == GL_CLAMP_TO_EDGE),
           "GL_CLAMP_TO_EDGE should be used in NPOT textures");
  glBindTexture(GL_TEXTURE_2D, name_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(texParams->minFilter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(texParams->magFilter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(texParams->wrapS));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(texParams->wrapT));
}

void CCTexture2D::setAntiAliasTexParameters() {
  const ccTexParams params{GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE};
  setTexParameters(&params);
}

void CCTexture2D::setAliasTexParameters() {
  const ccTexParams params{GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE};
  setTexParameters(&params);
}

void CCTexture2D::generateMipmap() {
  CCAssert(isPowerOfTwo(width_) && isPowerOfTwo(height_), "Mimpap texture only works in POT textures");
  const auto generate = platform::glExtensions().glGenerateMipmapOES;
  if (generate == nullptr) {
    CCLOG("tessera: CCTexture2D: glGenerateMipmapOES is not available; texture %u keeps one level", name_);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, name_);
  generate(GL_TEXTURE_2D);
}

void CCTexture2D::drawAtPoint(CGPoint point) const {
  const GLfloat coordinates[] = {0.0f, maxT_, maxS_, maxT_, 0.0f, 0.0f, maxS_, 0.0f};
  const GLfloat width = static_cast<GLfloat>(width_) * maxS_;
  const GLfloat height = static_cast<GLfloat>(height_) * maxT_;
  const GLfloat vertices[] = {
      point.x, point.y, 0.0f, width + point.x, point.y, 0.0f, point.x, height + point.y, 0.0f,
      width + point.x, height + point.y, 0.0f,
  };
  glBindTexture(GL_TEXTURE_2D, name_);
  glVertexPointer(3, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void CCTexture2D::drawInRect(CGRect rect) const {
  const GLfloat coordinates[] = {0.0f, maxT_, maxS_, maxT_, 0.0f, 0.0f, maxS_, 0.0f};
  const GLfloat vertices[] = {
      rect.origin.x, rect.origin.y, rect.origin.x + rect.size.width, rect.origin.y,
      rect.origin.x, rect.origin.y + rect.size.height, rect.origin.x + rect.size.width,
      rect.origin.y + rect.size.height,
  };
  glBindTexture(GL_TEXTURE_2D, name_);
  glVertexPointer(2, GL_FLOAT, 0, vertices);
  glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
