#pragma once
// CCTexturePVR: reads a PVR texture container (the version 2 header: 52 bytes
// of little-endian words, then the pixel data of every mipmap level) from a
// plain, ".ccz" or ".gz" file and makes a GL texture with all its levels.

#include "platform/Object.h"

#include <GLES/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// Number of entries in the mipmap table; a file with more levels than that
/// fails an assertion.
inline constexpr int CC_PVRMIPMAP_MAX = 16;

/// One mipmap level: where its data starts in the loaded file, and its length.
struct CCPVRMipmap {
  const unsigned char* address = nullptr;
  unsigned int len = 0;
};

/// One row of the table of pixel types a PVR file may use.
struct CCPVRPixelFormatInfo {
  std::uint32_t pvrType;      // low byte of the header's flags word
  GLenum internalFormat;
  GLenum format;              // 0 for compressed types
  GLenum type;                // 0 for compressed types
  std::uint32_t bitsPerPixel;
  bool compressed;
};

/// What parsing a PVR file finds: the level-0 size, the pixel type's row in
/// the table, whether the file has alpha, and the mipmap levels.
struct CCPVRData {
  unsigned int width = 0;
  unsigned int height = 0;
  unsigned int tableFormatIndex = 0xFFFFFFFF;
  bool hasAlpha = false;
  int numberOfMipmaps = 0;
  CCPVRMipmap mipmaps[CC_PVRMIPMAP_MAX];
};

/// Reads a PVR texture container (the version 2 header: 52 bytes of
/// little-endian words, then the pixel data of every mipmap level) from a plain, ".ccz"
/// or ".gz" file and makes a GL texture with all its levels.
///
/// Parsing is separate from GL: unpackPVRData(data, length, out) only walks
/// the bytes and can run anywhere; createGLTexture() needs a current context.
///
/// Cost: the whole file is held in memory only while the texture is created;
/// the level table points into it and is cleared afterwards.
class CCTexturePVR : public platform::Object {
  PLATFORM_CLASS(CCTexturePVR, platform::Object)

 public:
  /// The autoreleased reader of the file at `path`, or nullptr.
  static CCTexturePVR* pvrTextureWithContentsOfFile(const std::string& path);
  /// pvrTextureWithContentsOfFile() for a "file:" URL; nullptr for any other URL.
  static CCTexturePVR* pvrTextureWithContentsOfURL(std::string_view url);

  /// Reads the file (unpacked first when the lower-cased path ends in ".ccz"
  /// or ".gz"), parses it and creates the GL texture. Returns false when the
  /// file cannot be read, the container is malformed, the device lacks the
  /// pixel type (BGRA8888, PVRTC) or GL refuses a level; any GL texture made
  /// is then deleted when the object goes. Expects a current GL context.
  bool initWithContentsOfFile(const std::string& path);
  /// initWithContentsOfFile() with the path of a "file:" URL (percent escapes
  /// decoded); false for any other URL.
  bool initWithContentsOfURL(std::string_view url);

  /// Parses `len` bytes into this reader's size, alpha flag, pixel type and
  /// level table (pointing into `data`). A BGRA8888 file needs the device's
  /// support. Returns false for a malformed container.
  bool unpackPVRData(const unsigned char* data, unsigned int len);
  /// Makes a new GL texture (bound to GL_TEXTURE_2D) and uploads every
  /// parsed level. Returns false when a compressed type is unsupported or GL
  /// reports an error. Texture parameters are left to the texture object.
  bool createGLTexture();

  /// Parses a PVR container without touching GL or device capabilities.
  /// Returns false, leaving `out` with no levels, when the file is shorter
  /// than its header, the tag is not "PVR!", a side is not a power of two
  /// (or is 0), the pixel type is unknown, the header's data length runs
  /// past `length`, there is no level at all, or an uncompressed level holds
  /// fewer bytes than its pixels need. Fails the assertion "TexturePVR:
  /// Maximum number of mimpaps reached. Increate the CC_PVRMIPMAP_MAX value"
  /// when the table fills up (when the handler returns, any further level
  /// makes the file fail).
  static bool unpackPVRData(const unsigned char* data, std::size_t length, CCPVRData& out);
  /// The row of the pixel-type table, or nullptr for an index outside it.
  static const CCPVRPixelFormatInfo* pixelFormatInfo(unsigned int tableFormatIndex);

  /// GL texture name; 0 = none.
  GLuint name() const { return name_; }
  /// Level-0 size in pixels.
  unsigned int width() const { return width_; }
  unsigned int height() const { return height_; }
  /// The header's alpha mask is not 0.
  bool hasAlpha() const { return hasAlpha_; }
  /// Levels found by the last parse.
  int numberOfMipmaps() const { return numberOfMipmaps_; }
  /// Row of the pixel-type table; 0xFFFFFFFF before parsing.
  unsigned int tableFormatIndex() const { return tableFormatIndex_; }
  /// When true, the GL texture outlives this object: the texture object that
  /// takes the name over sets it. Default false.
  bool retainName() const { return retainName_; }
  void setRetainName(bool retainName) { retainName_ = retainName; }

 protected:
  /// dealloc: deletes the GL texture unless the name is retained elsewhere.
  ~CCTexturePVR() override;

 private:
  void reset();

  CCPVRMipmap mipmaps_[CC_PVRMIPMAP_MAX];  // point into the file being loaded
  int numberOfMipmaps_ = 0;
  unsigned int tableFormatIndex_ = 0xFFFFFFFF;
  unsigned int width_ = 0;
  unsigned int height_ = 0;
  GLuint name_ = 0;
  bool hasAlpha_ = false;
  bool retainName_ = false;
};
