#pragma once
// CCRenderTexture: a node that owns an off-screen picture. Between begin()
// and end() everything drawn (typically other nodes' visit()) lands in the
// picture's texture instead of the frame buffer bound before; a sprite child
// shows the picture wherever the node is placed. The picture can be cleared,
// read back as PNG, JPEG or raw RGBA bytes, and saved into the user's
// documents folder.

#include "tessera/CCNode.h"
#include "tessera/CCTexture2D.h"

#include <GLES/gl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCSprite;

/// Formats of the picture read back by getUIImageAsDataFromBuffer().
enum tImageFormat : int {
  kCCImageFormatJPG = 0,
  kCCImageFormatPNG = 1,
  kCCImageFormatRawData = 2,
};

/// A node that owns an off-screen picture. Between begin() and end() everything
/// drawn (typically other nodes' visit()) lands in the picture's texture instead
/// of the frame buffer bound before; a sprite child shows the picture wherever
/// the node is placed. The picture can be cleared, read back as PNG, JPEG or raw
/// RGBA bytes, and saved into the user's documents folder.
///
///   CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(100, 50);
///   canvas->beginWithClear(0, 0, 0, 1);
///   star->visit();                 // drawn into the picture
///   canvas->end();
///   canvas->saveBuffer("star.png", kCCImageFormatPNG);
///
/// Cost: one power-of-two texture and one frame buffer. begin() and end() read
/// the bound frame buffer and the clear colour back from GL and allocate
/// nothing; reading the picture back allocates two copies of it.
/// Main thread only, with the GL view's context current.
class CCRenderTexture : public CCNode {
  PLATFORM_CLASS(CCRenderTexture, CCNode)

 public:
  // [SECTION] Creation

  /// A render texture of `width` x `height` points in RGBA8888 (autoreleased),
  /// or nullptr (logged) when it cannot be made.
  /// \param width the width, points.
  /// \param height the height, points.
  static CCRenderTexture* renderTextureWithWidth(int width, int height);
  /// As above in `format` (RGBA8888, RGB565, RGBA4444 or RGB5A1).
  /// \param width the width, points.
  /// \param height the height, points.
  /// \param format a kCCTexture2DPixelFormat value.
  static CCRenderTexture* renderTextureWithWidth(int width, int height, int format);
  /// initWithWidth(width, height, RGBA8888).
  /// \param width the width, points.
  /// \param height the height, points.
  bool initWithWidth(int width, int height);
  /// The texture is the next powers of two of the size in pixels (points x
  /// the content scale factor, truncated), cleared to transparent black, with
  /// nearest filtering; the sprite child shows it upside down (scaleY -1),
  /// blended as premultiplied alpha. Expects a format other than A8 ("only
  /// RGB and RGBA formats are valid for a render texture"). Returns false and
  /// logs for a size below one pixel or above the GL's largest texture, or a
  /// GL without frame buffers. Throws platform::Exception "Render Texture" /
  /// "Could not attach texture to framebuffer" when the texture cannot be
  /// drawn into; the frame buffer bound before is bound again whatever
  /// happens.
  /// \param width the width, points.
  /// \param height the height, points.
  /// \param format a kCCTexture2DPixelFormat value.
  bool initWithWidth(int width, int height, int format);

  // [SECTION] Drawing into the picture

  /// Saves the clear colour and the current matrix, then sends drawing into
  /// the picture: the matrix is scaled so that one pixel of the texture's
  /// content takes one unit, the viewport covers the content. The vertex,
  /// colour and texture-coordinate arrays and 2-D texturing are enabled
  /// afterwards. Pair with end(). Several render textures may nest, each
  /// restoring the one outside it; one render texture may not.
  void begin();
  /// begin(), then clears the picture (colour and depth) to (r, g, b, a).
  /// \param r red, 0 to 1.
  /// \param g green, 0 to 1.
  /// \param b blue, 0 to 1.
  /// \param a alpha, 0 to 1.
  void beginWithClear(float r, float g, float b, float a);
  /// Binds the frame buffer bound before begin() again, restores the matrix,
  /// the viewport over the display and the clear colour.
  void end();
  /// beginWithClear(r, g, b, a), then end().
  /// \param r red, 0 to 1.
  /// \param g green, 0 to 1.
  /// \param b blue, 0 to 1.
  /// \param a alpha, 0 to 1.
  void clear(float r, float g, float b, float a);
  /// Reads the GL clear colour; restoreGLstate() puts it back.
  void saveGLstate();
  void restoreGLstate();

  // [SECTION] Reading the picture back

  /// The picture, top row first: raw RGBA bytes (premultiplied, as stored),
  /// PNG (straight alpha) or JPEG at the best quality (alpha dropped: the
  /// picture composited over black). Any format other than raw or PNG gives
  /// JPEG. Expects an RGBA8888 picture ("only RGBA8888 can be saved as
  /// image"); nothing otherwise. Nothing (logged) when the encoder fails.
  /// \param format kCCImageFormatJPG, kCCImageFormatPNG or kCCImageFormatRawData.
  std::optional<std::vector<std::uint8_t>> getUIImageAsDataFromBuffer(int format);
  /// Writes getUIImageAsDataFromBuffer(format) to `fileName` inside the
  /// user's documents folder, atomically (a temporary file renamed over it).
  /// Returns whether the file was written. Refuses (logs, false) an empty or
  /// absolute name and one with a ".." part, which would leave the folder.
  /// \param fileName a relative path inside the documents folder.
  /// \param format kCCImageFormatJPG or kCCImageFormatPNG.
  bool saveBuffer(const std::string& fileName, int format);
  /// saveBuffer(fileName, kCCImageFormatJPG).
  /// \param fileName a relative path inside the documents folder.
  bool saveBuffer(const std::string& fileName);

  // [SECTION] Properties

  /// The child that shows the picture (not retained: the child list owns it).
  CCSprite* sprite() const { return sprite_; }
  void setSprite(CCSprite* sprite) { sprite_ = sprite; }
  /// The picture's texture, held by the sprite; nullptr before init.
  CCTexture2D* texture() const { return texture_; }
  /// The frame buffer drawn into between begin() and end(); 0 before init.
  GLuint fbo() const { return fbo_; }
  /// The pixel format given at creation.
  int pixelFormat() const { return static_cast<int>(pixelFormat_); }

 protected:
  /// dealloc: deletes the frame buffer, then the node's teardown (which
  /// releases the sprite and with it the texture).
  ~CCRenderTexture() override;

 private:
  // begin() without enabling the drawing states; false (logged) before init.
  bool bindPicture();

  GLuint fbo_ = 0;
  GLint oldFBO_ = 0;
  CCTexture2D* texture_ = nullptr;  // weak: the sprite retains it
  CCSprite* sprite_ = nullptr;      // weak: the child list retains it
  std::uint32_t pixelFormat_ = kCCTexture2DPixelFormat_RGBA8888;
  GLfloat clearColor_[4] = {};
};
