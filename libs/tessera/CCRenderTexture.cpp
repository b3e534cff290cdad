#include "tessera/CCRenderTexture.h"

#include "platform/Assert.h"
#include "platform/Exception.h"
#include "platform/Files.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "tessera/CCConfiguration.h"
#include "tessera/CCDirector.h"
#include "tessera/CCSprite.h"
#include "tessera/Support/CGPointExtension.h"
#include "tessera/ccMacros.h"

#include <GLES/glext.h>

#include <algorithm>
#include <cstring>
#include <new>

// [SECTION] Creation

CCRenderTexture* CCRenderTexture::renderTextureWithWidth(int width, int height) {
  return renderTextureWithWidth(width, height, kCCTexture2DPixelFormat_RGBA8888);
}

CCRenderTexture* CCRenderTexture::renderTextureWithWidth(int width, int height, int format) {
  // Initialisation may throw: the reference releases the object on the way out.
  platform::Ref<CCRenderTexture> texture = platform::Ref<CCRenderTexture>::adopt(new CCRenderTexture());
  if (!texture->initWithWidth(width, height, format)) return nullptr;
  return platform::autoreleased(texture.detach());
}

bool CCRenderTexture::initWithWidth(int width, int height) {
  return initWithWidth(width, height, kCCTexture2DPixelFormat_RGBA8888);
}

bool CCRenderTexture::initWithWidth(int width, int height, int format) {
  if (!CCNode::init()) return false;
  CCAssert(format != kCCTexture2DPixelFormat_A8, "only RGB and RGBA formats are valid for a render texture");

  const platform::GLExtensions& gl = platform::glExtensions();
  if (!gl.glGenFramebuffersOES || !gl.glBindFramebufferOES || !gl.glFramebufferTexture2DOES ||
      !gl.glCheckFramebufferStatusOES || !gl.glDeleteFramebuffersOES) {
    CCLOG("tessera: CCRenderTexture: the GL has no frame-buffer objects");
    return false;
  }

  const float scale = CC_CONTENT_SCALE_FACTOR();
  const auto pixelsWide = static_cast<int>(static_cast<float>(width) * scale);
  const auto pixelsHigh = static_cast<int>(static_cast<float>(height) * scale);
  const GLint maxSide = CCConfiguration::sharedConfiguration()->maxTextureSize();
  if (pixelsWide < 1 || pixelsHigh < 1 ||
      (maxSide > 0 && (nextPowerOfTwo(static_cast<std::uint32_t>(pixelsWide)) > static_cast<std::uint32_t>(maxSide) ||
                       nextPowerOfTwo(static_cast<std::uint32_t>(pixelsHigh)) > static_cast<std::uint32_t>(maxSide)))) {
    CCLOG("tessera: CCRenderTexture: %dx%d points (%dx%d pixels) cannot be a texture (largest side %d)", width,
          height, pixelsWide, pixelsHigh, maxSide);
    return false;
  }
  const std::uint32_t textureWide = nextPowerOfTwo(static_cast<std::uint32_t>(pixelsWide));
  const std::uint32_t textureHigh = nextPowerOfTwo(static_cast<std::uint32_t>(pixelsHigh));

  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
  pixelFormat_ = static_cast<std::uint32_t>(format);

  platform::Ref<CCTexture2D> texture;
  try {
    // Four bytes a pixel whatever the format: enough for every one of them.
    std::vector<std::uint8_t> cleared(static_cast<std::size_t>(textureWide) * textureHigh * 4, 0);
    texture = platform::Ref<CCTexture2D>::adopt(new CCTexture2D());
    if (!texture->initWithData(cleared.data(), static_cast<CCTexture2DPixelFormat>(format), textureWide, textureHigh,
                               CGSizeMake(static_cast<float>(pixelsWide), static_cast<float>(pixelsHigh)))) {
      CCLOG("tessera: CCRenderTexture: cannot make a %ux%u texture in format %d", textureWide, textureHigh, format);
      return false;
    }
  } catch (const std::bad_alloc&) {
    CCLOG("tessera: CCRenderTexture: no memory for a %ux%u texture", textureWide, textureHigh);
    return false;
  }
  texture_ = texture.get();

  gl.glGenFramebuffersOES(1, &fbo_);
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
  gl.glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, texture->name(), 0);
  const GLenum status = gl.glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES);
  // The previous frame buffer is bound again before anything is reported, so
  // no one draws into an incomplete one.
  gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
  if (status != GL_FRAMEBUFFER_COMPLETE_OES) {
    CCLOG("tessera: CCRenderTexture: frame buffer %u incomplete (status 0x%04X) with a %ux%u texture in format %d",
          fbo_, status, textureWide, textureHigh, format);
    texture_ = nullptr;
    throw platform::Exception("Render Texture", "Could not attach texture to framebuffer");
  }

  texture->setAliasTexParameters();

  CCSprite* sprite = CCSprite::spriteWithTexture(texture.get());
  if (sprite == nullptr) {
    CCLOG("tessera: CCRenderTexture: no sprite for texture %u", texture->name());
    texture_ = nullptr;
    return false;
  }
  sprite_ = sprite;
  sprite_->setScaleY(-1.0f);  // GL rows run from the bottom
  addChild(sprite_);
  sprite_->setBlendFunc(ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA});
  return true;
}

CCRenderTexture::~CCRenderTexture() {
  if (fbo_ != 0) {
    const platform::GLExtensions& gl = platform::glExtensions();
    if (gl.glDeleteFramebuffersOES) gl.glDeleteFramebuffersOES(1, &fbo_);
  }
}

// [SECTION] Drawing into the picture

void CCRenderTexture::saveGLstate() { glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_); }

void CCRenderTexture::restoreGLstate() {
  glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
}

namespace {

// The states every node may assume when it draws.
void enableDrawingStates() {
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnable(GL_TEXTURE_2D);
}

}  // namespace

void CCRenderTexture::begin() {
  if (!bindPicture()) return;
  enableDrawingStates();
}

bool CCRenderTexture::bindPicture() {
  if (texture_ == nullptr) {
    CCLOG("tessera: CCRenderTexture: begin() on a render texture that was never made");
    return false;
  }
  saveGLstate();

  glDisable(GL_TEXTURE_2D);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glPushMatrix();

  // Scale the display's projection so that the texture's content fills the
  // viewport one pixel per unit.
  const CGSize content = texture_->contentSizeInPixels();
  const CGSize display = CCDirector::sharedDirector()->displaySizeInPixels();
  const float widthRatio = display.width / content.width;
  const float heightRatio = display.height / content.height;
  glOrthof(-1.0f / widthRatio, 1.0f / widthRatio, -1.0f / heightRatio, 1.0f / heightRatio, -1.0f, 1.0f);
  glViewport(0, 0, static_cast<GLsizei>(content.width), static_cast<GLsizei>(content.height));

  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFBO_);
  platform::glExtensions().glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
  return true;
}

void CCRenderTexture::beginWithClear(float r, float g, float b, float a) {
  if (!bindPicture()) return;
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  enableDrawingStates();
}

void CCRenderTexture::end() {
  if (texture_ == nullptr) return;
  platform::glExtensions().glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFBO_));
  glPopMatrix();
  const CGSize display = CCDirector::sharedDirector()->displaySizeInPixels();
  glViewport(0, 0, static_cast<GLsizei>(display.width), static_cast<GLsizei>(display.height));
  restoreGLstate();
}

void CCRenderTexture::clear(float r, float g, float b, float a) {
  beginWithClear(r, g, b, a);
  end();
}

// [SECTION] Reading the picture back

std::optional<std::vector<std::uint8_t>> CCRenderTexture::getUIImageAsDataFromBuffer(int format) {
  const bool isRGBA8888 = pixelFormat_ == static_cast<std::uint32_t>(kCCTexture2DPixelFormat_RGBA8888);
  CCAssert(isRGBA8888, "only RGBA8888 can be saved as image");
  if (!isRGBA8888 || texture_ == nullptr) return std::nullopt;

  const CGSize content = texture_->contentSizeInPixels();
  const auto width = static_cast<std::size_t>(content.width);
  const auto height = static_cast<std::size_t>(content.height);
  const std::size_t rowBytes = 4 * width;

  std::vector<std::uint8_t> bottomFirst, topFirst;
  try {
    bottomFirst.resize(rowBytes * height);
    topFirst.resize(rowBytes * height);
  } catch (const std::bad_alloc&) {
    CCLOG("tessera: CCRenderTexture: no memory to read back %zux%zu pixels", width, height);
    return std::nullopt;
  }

  begin();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);  // rows of 4 x width bytes: always aligned
  glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE,
               bottomFirst.data());
  end();

  for (std::size_t row = 0; row < height; ++row) {
    std::memcpy(&topFirst[(height - 1 - row) * rowBytes], &bottomFirst[row * rowBytes], rowBytes);
  }
  if (format == kCCImageFormatRawData) return topFirst;

  platform::Ref<platform::Image> image(platform::Image::imageWithPixels(
      static_cast<int>(width), static_cast<int>(height), platform::PixelLayout::RGBAPremultiplied, rowBytes,
      topFirst));
  if (!image) return std::nullopt;
  return format == kCCImageFormatPNG ? image->encodePNG() : image->encodeJPEG(1.0f);
}

namespace {

// A name that stays inside the folder it is joined to.
bool isNameInsideFolder(const std::string& name) {
  if (name.empty() || name.front() == '/') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

bool CCRenderTexture::saveBuffer(const std::string& fileName, int format) {
  if (!isNameInsideFolder(fileName)) {
    CCLOG("tessera: CCRenderTexture: \"%s\" is not a file name inside the documents folder", fileName.c_str());
    return false;
  }
  std::optional<std::vector<std::uint8_t>> data = getUIImageAsDataFromBuffer(format);
  if (!data) return false;
  return platform::writeFileAtomically(platform::documentsDirectory() + "/" + fileName, *data);
}

bool CCRenderTexture::saveBuffer(const std::string& fileName) { return saveBuffer(fileName, kCCImageFormatJPG); }
