#pragma once
// CCTexture2D: one OpenGL ES texture object and the facts the engine needs
// about it: its size in pixels, the part that holds the picture (content
// size), the texture-coordinate extent of that part (maxS, maxT), its pixel
// format and whether its colours are premultiplied by alpha.

#include "platform/Geometry.h"
#include "platform/Object.h"

#include <GLES/gl.h>

#include <string>

namespace platform {
class Image;
}

/// Pixel formats of a texture. The codes are fixed: every caller uses them.
enum CCTexture2DPixelFormat : int {
  kCCTexture2DPixelFormat_Automatic = 0,  ///< unset; refused by the upload
  kCCTexture2DPixelFormat_RGBA8888 = 1,   ///< 32-bit colour with alpha (GL_RGBA, GL_UNSIGNED_BYTE)
  kCCTexture2DPixelFormat_RGB565 = 2,     ///< 16-bit colour without alpha (GL_RGB, 5_6_5)
  kCCTexture2DPixelFormat_A8 = 3,         ///< 8-bit alpha only: masks, rendered text (GL_ALPHA)
  kCCTexture2DPixelFormat_RGBA4444 = 4,   ///< 16-bit with 4-bit alpha (GL_RGBA, 4_4_4_4)
  kCCTexture2DPixelFormat_RGB5A1 = 5,     ///< 16-bit with 1-bit alpha (GL_RGBA, 5_5_5_1)
  kCCTexture2DPixelFormat_Default = kCCTexture2DPixelFormat_RGBA8888,
};

/// Sampling parameters, in the order setTexParameters() applies them.
struct ccTexParams {
  GLuint minFilter = GL_LINEAR;
  GLuint magFilter = GL_LINEAR;
  GLuint wrapS = GL_CLAMP_TO_EDGE;
  GLuint wrapT = GL_CLAMP_TO_EDGE;
};

/// One OpenGL ES texture object and the facts the engine needs about it: its
/// size in pixels, the part that holds the picture (content size), the
/// texture-coordinate extent of that part (maxS, maxT), its pixel format and whether its
/// colours are premultiplied by alpha.
///
/// Textures are made from raw pixels, from a decoded image (padded to powers
/// of two, converted to the chosen pixel format), from a string drawn in a
/// system font (an alpha-only texture), or from a PVR file. Each can draw
/// itself as one quad. Textures are normally obtained through CCTextureCache,
/// which keeps one reference to each.
///
/// The t axis runs downward through the picture: t = 0 is the image's top row.
///
/// Threads: creation may run on the texture cache's loading thread with its
/// own GL context; a texture is otherwise used on the main thread. The
/// class-wide settings are atomics so that thread may read them.
///
/// Cost: an image is drawn once into a power-of-two buffer (4 bytes a pixel,
/// or 1 for A8); the 16-bit formats then take one more pass into a buffer of
/// half the size, and the 32-bit one is freed before the upload.
class CCTexture2D : public platform::Object {
  PLATFORM_CLASS(CCTexture2D, platform::Object)

 public:
  // [SECTION] Class-wide settings

  /// The format given to images with alpha or with 8-bit components.
  /// Default kCCTexture2DPixelFormat_RGBA8888.
  static void setDefaultAlphaPixelFormat(CCTexture2DPixelFormat format);
  static CCTexture2DPixelFormat defaultAlphaPixelFormat();
  /// Whether PVR files (and raw PVRTC data) hold premultiplied colours; copied
  /// into every texture made from them. Default false.
  static void PVRImagesHavePremultipliedAlpha(bool haveAlphaPremultiplied);
  static bool PVRImagesHavePremultipliedAlpha();

  // [SECTION] Creation
  //
  // Each initialiser returns false on failure; the caller then releases the
  // object. Every path leaves the new texture bound to GL_TEXTURE_2D with
  // linear filtering and clamped edges. Expects a current GL context.

  /// Uploads `pixelsHigh` rows of `pixelsWide` pixels of `data` (nullptr
  /// leaves the contents undefined) in `pixelFormat`; `contentSize` is the
  /// part that holds the picture. GL's default unpack alignment of 4 applies,
  /// so each row of `data` starts on a 4-byte boundary. maxS and maxT become
  /// contentSize / size; premultiplied alpha false.
  /// Throws platform::Exception "NSInternalInconsistencyException" with an
  /// empty reason for a format outside 1..5.
  /// \param data the pixels, row after row, or nullptr.
  /// \param pixelFormat the format of `data` and of the texture.
  /// \param pixelsWide the texture's width in pixels.
  /// \param pixelsHigh the texture's height in pixels.
  /// \param contentSize the size of the picture inside the texture, pixels.
  /// \return true: every format in range is uploaded.
  bool initWithData(const void* data, CCTexture2DPixelFormat pixelFormat, unsigned int pixelsWide,
                    unsigned int pixelsHigh, CGSize contentSize);

  /// The image drawn into the top-left corner of a texture whose sides are the
  /// next powers of two of its own; the rest is transparent black. The format
  /// is A8 for a mask, the default alpha format for an image with alpha or
  /// 8-bit components, RGB565 otherwise. Colours are premultiplied when the
  /// format has colour and alpha and the image has alpha. Returns false for a
  /// null or empty image, or when a side would exceed the device's maximum
  /// texture size. Throws platform::Exception
  /// "NSInternalInconsistencyException" / "Invalid pixel format" when the
  /// default alpha format is not 1..5.
  /// \param image the decoded picture.
  bool initWithImage(const platform::Image* image);

  /// `text` on one line in the font `fontName` at `fontSize`, centred in a
  /// box of the text's measured size. The font is a system font of that name,
  /// else a custom font the font manager loads from the application's
  /// resources ("<fontName>.ttf" or the file `fontName`). Returns false (and
  /// logs) when neither exists.
  /// \param text the UTF-8 text to draw.
  /// \param fontName a system font name or a custom font's file name.
  /// \param fontSize the font size, points.
  bool initWithString(const std::string& text, const std::string& fontName, float fontSize);
  /// `text` laid out in a box of `dimensions` (points of the texture: each
  /// side becomes the next power of two of its whole part) with `alignment`
  /// (0 left, 1 centre, 2 right) and word wrap, in the font `fontName` (a
  /// system font, else a custom font as above). Returns false (and logs)
  /// when there is no font of that name.
  /// \param text the UTF-8 text to draw.
  /// \param dimensions the size of the box the text is laid out in.
  /// \param alignment 0 left, 1 centre, 2 right (a UITextAlignment value).
  /// \param fontName a system font name or a custom font's file name.
  /// \param fontSize the font size, points.
  bool initWithString(const std::string& text, CGSize dimensions, int alignment, const std::string& fontName,
                      float fontSize);
  /// As above with a font object. A platform::Font draws through the
  /// platform's string drawing, a ZFont through the custom-font layout; any
  /// other object logs and returns false. Expects a font ("Invalid font").
  /// The result is an A8 texture of white coverage, not premultiplied.
  /// Returns false when the box is empty or its buffer can't be made.
  /// \param text the UTF-8 text to draw.
  /// \param dimensions the size of the box the text is laid out in.
  /// \param alignment 0 left, 1 centre, 2 right.
  /// \param font a platform::Font or a ZFont.
  bool initWithString(const std::string& text, CGSize dimensions, int alignment, platform::Object* font);

  /// The texture of a PVR file (plain, ".ccz" or ".gz"). Format stays 0;
  /// maxS = maxT = 1. Returns false when the file can't be read.
  /// \param path the file's full path.
  bool initWithPVRFile(const std::string& path);
  /// Raw PVRTC data of a square `length` × `length` image at mip `level`
  /// with `bpp` bits per pixel (4, or anything else for 2). Expects `data` to
  /// hold max(bpp × length² / 8, 32) bytes. Returns false when the device has
  /// no PVRTC support or the length is not positive.
  /// \param data the compressed image.
  /// \param level the mipmap level to upload it to.
  /// \param bpp bits per pixel: 4, else 2.
  /// \param hasAlpha whether the data is decoded with alpha.
  /// \param length the width and height, pixels.
  bool initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length);

  // [SECTION] Use

  /// Binds the texture and draws the content as a quad with its bottom-left
  /// corner at `point` (3-component vertices). The caller enables texturing
  /// and the vertex and texture-coordinate arrays and sets colour and
  /// blending.
  /// \param point where the bottom-left corner goes, pixels.
  void drawAtPoint(CGPoint point) const;
  /// As drawAtPoint(), stretched over `rect` (2-component vertices).
  /// \param rect the rectangle to fill, pixels.
  void drawInRect(CGRect rect) const;

  /// Binds the texture and sets minifying filter, magnifying filter, wrap S
  /// and wrap T in that order. Expects GL_CLAMP_TO_EDGE for both wraps on a
  /// texture whose sides are not powers of two ("GL_CLAMP_TO_EDGE should be
  /// used in NPOT textures").
  /// \param texParams the filters and wraps, in GL constants.
  void setTexParameters(const ccTexParams* texParams);
  /// Linear filtering, clamped edges: the default of every creation path.
  void setAntiAliasTexParameters();
  /// Nearest filtering, clamped edges.
  void setAliasTexParameters();
  /// Builds the mipmap chain. Expects power-of-two sides ("Mimpap texture
  /// only works in POT textures"). Logs and does nothing when the driver has
  /// no glGenerateMipmapOES.
  void generateMipmap();

  /// Returns `data` unchanged and keeps nothing.
  void* keepData(void* data, unsigned int length);
  /// Frees `data` (a malloc'd buffer).
  void releaseData(void* data);

  // [SECTION] Properties

  /// GL texture name; 0 when none.
  GLuint name() const { return name_; }
  /// Texture size in pixels.
  unsigned int pixelsWide() const { return width_; }
  unsigned int pixelsHigh() const { return height_; }
  /// Pixel format code; 0 for PVR-file textures.
  CCTexture2DPixelFormat pixelFormat() const { return format_; }
  /// The picture's size in pixels.
  CGSize contentSizeInPixels() const { return size_; }
  /// The picture's size in points: pixels divided by the content scale factor.
  CGSize contentSize() const;
  bool hasPremultipliedAlpha() const { return hasPremultipliedAlpha_; }
  /// Largest texture coordinates covered by the picture.
  GLfloat maxS() const { return maxS_; }
  void setMaxS(GLfloat maxS) { maxS_ = maxS; }
  GLfloat maxT() const { return maxT_; }
  void setMaxT(GLfloat maxT) { maxT_ = maxT; }

  /// "<CCTexture2D = ADDRESS | Name = n | Dimensions = WxH | Coordinates = (maxS, maxT)>".
  std::string description() const override;

 protected:
  /// dealloc: deletes the GL texture when there is one.
  ~CCTexture2D() override;

 private:
  // initWithData() for buffers whose rows are packed without padding (the
  // image and text paths): unpacks with alignment 1 when a row is not a
  // multiple of 4 bytes, so narrow textures read neither past the buffer nor
  // into the wrong row.
  bool initWithPackedData(const void* data, CCTexture2DPixelFormat pixelFormat, unsigned int pixelsWide,
                          unsigned int pixelsHigh, CGSize contentSize);
  void deleteName();

  GLuint name_ = 0;
  CGSize size_{0, 0};
  unsigned int width_ = 0;
  unsigned int height_ = 0;
  CCTexture2DPixelFormat format_ = kCCTexture2DPixelFormat_Automatic;
  GLfloat maxS_ = 0;
  GLfloat maxT_ = 0;
  bool hasPremultipliedAlpha_ = false;
};
