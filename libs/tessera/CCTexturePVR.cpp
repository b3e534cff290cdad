#include "tessera/CCTexturePVR.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "tessera/CCConfiguration.h"
#include "tessera/Support/CCFileUtils.h"
#include "tessera/Support/ZipUtils.h"

#include <GLES/glext.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>

// Index:
//   The pixel-type table and header layout (anonymous namespace)
//   [SECTION] Parsing
//   [SECTION] GL texture
//   [SECTION] Loading files and URLs

namespace {

// Pixel types, searched in this order.
constexpr CCPVRPixelFormatInfo kPixelFormats[] = {
    {0x10, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 16, false},                // RGBA 4444
    {0x11, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 16, false},                // RGBA 5551
    {0x12, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, 32, false},                         // RGBA 8888
    {0x13, GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 16, false},                    // RGB 565
    {0x16, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, 8, false},                // I 8
    {0x17, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, 16, false},   // AI 88
    {0x18, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, 0, 0, 2, true},                    // PVRTC 2 bpp
    {0x19, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 0, 0, 4, true},                    // PVRTC 4 bpp
    {0x1A, GL_RGBA, GL_BGRA_EXT, GL_UNSIGNED_BYTE, 32, false},                     // BGRA 8888
    {0x1B, GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, 8, false},                        // A 8
};
constexpr unsigned int kPixelFormatCount = sizeof kPixelFormats / sizeof kPixelFormats[0];

constexpr std::uint32_t kTypePVRTC2 = 0x18;
constexpr std::uint32_t kTypePVRTC4 = 0x19;
constexpr std::uint32_t kTypeBGRA8888 = 0x1A;

// Header: 13 little-endian 32-bit words; the pixel data follows at byte 52.
constexpr std::size_t kHeaderLength = 52;
constexpr std::size_t kOffsetHeight = 4;
constexpr std::size_t kOffsetWidth = 8;
constexpr std::size_t kOffsetFlags = 16;
constexpr std::size_t kOffsetDataLength = 20;
constexpr std::size_t kOffsetAlphaMask = 40;
constexpr std::size_t kOffsetTag = 44;
constexpr std::uint32_t kTag = 0x21525650;  // "PVR!"

std::uint32_t readLittleEndian32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
         (std::uint32_t{bytes[3]} << 24);
}

int hexDigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// a × b, or UINT64_MAX when the product does not fit: sides up to 2^31 would
// overflow 64 bits once multiplied by the bytes per block.
std::uint64_t saturatingMultiply(std::uint64_t a, std::uint64_t b) {
  std::uint64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? UINT64_MAX : product;
}

struct FreeDeleter {
  void operator()(unsigned char* bytes) const { std::free(bytes); }
};

// The path of a "file:" URL ("file:///a/b%20c.pvr", "file://localhost/a",
// "file:/a"), or nothing for any other URL.
std::optional<std::string> pathOfFileURL(std::string_view url) {
  constexpr std::string_view kScheme = "file:";
  if (url.size() < kScheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return std::nullopt;
  }
  std::string_view rest = url.substr(kScheme.size());
  if (platform::hasPrefix(rest, "//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!platform::hasPrefix(rest, "/")) return std::nullopt;
  rest = rest.substr(0, rest.find_first_of("?#"));

  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && hexDigitValue(rest[i + 1]) >= 0 && hexDigitValue(rest[i + 2]) >= 0) {
      path.push_back(static_cast<char>(hexDigitValue(rest[i + 1]) * 16 + hexDigitValue(rest[i + 2])));
      i += 2;
    } else {
      path.push_back(rest[i]);
    }
  }
  return path;
}

}  // namespace

// [SECTION] Parsing

const CCPVRPixelFormatInfo* CCTexturePVR::pixelFormatInfo(unsigned int tableFormatIndex) {
  return tableFormatIndex < kPixelFormatCount ? &kPixelFormats[tableFormatIndex] : nullptr;
}

bool CCTexturePVR::unpackPVRData(const unsigned char* data, std::size_t length, CCPVRData& out) {
  out = CCPVRData{};
  if (data == nullptr || length < kHeaderLength) return false;

  const std::uint32_t height = readLittleEndian32(data + kOffsetHeight);
  const std::uint32_t width = readLittleEndian32(data + kOffsetWidth);
  if (readLittleEndian32(data + kOffsetTag) != kTag || !isPowerOfTwo(width) || !isPowerOfTwo(height)) return false;

  const std::uint32_t pvrType = readLittleEndian32(data + kOffsetFlags) & 0xFF;
  unsigned int index = 0;
  while (index < kPixelFormatCount && kPixelFormats[index].pvrType != pvrType) ++index;
  if (index == kPixelFormatCount) return false;
  const CCPVRPixelFormatInfo& format = kPixelFormats[index];

  // The header's data length is only a claim: never walk past the file.
  const std::uint32_t dataLength = readLittleEndian32(data + kOffsetDataLength);
  if (dataLength > length - kHeaderLength) {
    CCLOG("tessera: CCTexturePVR: header promises %u bytes of pixel data, the file holds %zu", dataLength,
          length - kHeaderLength);
    return false;
  }

  CCPVRData parsed;
  parsed.width = width;
  parsed.height = height;
  parsed.tableFormatIndex = index;
  parsed.hasAlpha = readLittleEndian32(data + kOffsetAlphaMask) != 0;

  const unsigned char* pixels = data + kHeaderLength;
  std::uint32_t levelWidth = width;
  std::uint32_t levelHeight = height;
  std::uint32_t offset = 0;
  while (offset < dataLength) {
    std::uint64_t blockSize = 1;
    std::uint64_t widthBlocks = levelWidth;
    std::uint64_t heightBlocks = levelHeight;
    std::uint64_t bitsPerPixel = format.bitsPerPixel;
    if (pvrType == kTypePVRTC4) {
      blockSize = 4 * 4;
      widthBlocks = levelWidth / 4;
      heightBlocks = levelHeight / 4;
      bitsPerPixel = 4;
    } else if (pvrType == kTypePVRTC2) {
      blockSize = 8 * 4;
      widthBlocks = levelWidth / 8;
      heightBlocks = levelHeight / 4;
      bitsPerPixel = 2;
    }
    widthBlocks = std::max<std::uint64_t>(widthBlocks, 2);
    heightBlocks = std::max<std::uint64_t>(heightBlocks, 2);

    const std::uint64_t size = saturatingMultiply(widthBlocks * heightBlocks, blockSize * bitsPerPixel / 8);
    const std::uint32_t levelLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, dataLength - offset));

    // glTexImage2D reads width × height × bytes per pixel (rows are uploaded
    // tightly packed); a shorter level would make it read past the data. A
    // compressed level needs all of its blocks: a shorter one is as broken,
    // and only the driver would stand between it and a read past the data.
    const std::uint64_t needed =
        format.compressed ? size : saturatingMultiply(std::uint64_t{levelWidth} * levelHeight, format.bitsPerPixel / 8);
    if (levelLength < needed) {
      CCLOG("tessera: CCTexturePVR: level %d (%ux%u) has %u bytes, its %s need %llu", parsed.numberOfMipmaps,
            levelWidth, levelHeight, levelLength, format.compressed ? "blocks" : "pixels",
            static_cast<unsigned long long>(needed));
      return false;
    }

    // Reached only when the assertion below was answered by a handler that
    // returned: the table has no room for another level.
    if (parsed.numberOfMipmaps == CC_PVRMIPMAP_MAX) return false;
    parsed.mipmaps[parsed.numberOfMipmaps] = {pixels + offset, levelLength};
    ++parsed.numberOfMipmaps;
    CCAssert(parsed.numberOfMipmaps < CC_PVRMIPMAP_MAX,
             "TexturePVR: Maximum number of mimpaps reached. Increate the CC_PVRMIPMAP_MAX value");

    offset += levelLength;
    levelWidth = std::max<std::uint32_t>(levelWidth / 2, 1);
    levelHeight = std::max<std::uint32_t>(levelHeight / 2, 1);
  }

  if (parsed.numberOfMipmaps == 0) {
    CCLOG("tessera: CCTexturePVR: %ux%u file holds no pixel data", width, height);
    return false;
  }
  out = parsed;
  return true;
}

bool CCTexturePVR::unpackPVRData(const unsigned char* data, unsigned int len) {
  CCPVRData parsed;
  const bool parsedOK = unpackPVRData(data, len, parsed);
  width_ = parsed.width;
  height_ = parsed.height;
  tableFormatIndex_ = parsed.tableFormatIndex;
  hasAlpha_ = parsed.hasAlpha;
  numberOfMipmaps_ = parsed.numberOfMipmaps;
  std::copy(std::begin(parsed.mipmaps), std::end(parsed.mipmaps), std::begin(mipmaps_));
  if (!parsedOK) return false;

  if (kPixelFormats[tableFormatIndex_].pvrType == kTypeBGRA8888 &&
      !CCConfiguration::sharedConfiguration()->supportsBGRA8888()) {
    return false;
  }
  return true;
}

// [SECTION] GL texture

bool CCTexturePVR::createGLTexture() {
  if (numberOfMipmaps_ == 0) return true;  // nothing to upload
  const CCPVRPixelFormatInfo* format = pixelFormatInfo(tableFormatIndex_);
  if (format == nullptr) return false;

  if (name_ != 0) glDeleteTextures(1, &name_);
  name_ = 0;
  glGenTextures(1, &name_);
  glBindTexture(GL_TEXTURE_2D, name_);
  if (format->compressed && !CCConfiguration::sharedConfiguration()->supportsPVRTC()) return false;

  // PVR rows are tightly packed; with the default alignment of 4, levels
  // narrower than 4 bytes per row would be read with padded rows (wrong
  // pixels, and a read past the end of the last level).
  GLint previousAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  bool uploaded = true;
  GLsizei width = static_cast<GLsizei>(width_);
  GLsizei height = static_cast<GLsizei>(height_);
  for (int level = 0; level < numberOfMipmaps_; ++level) {
    const CCPVRMipmap& mipmap = mipmaps_[level];
    if (format->compressed) {
      glCompressedTexImage2D(GL_TEXTURE_2D, level, format->internalFormat, width, height, 0,
                             static_cast<GLsizei>(mipmap.len), mipmap.address);
    } else {
      glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(format->internalFormat), width, height, 0,
                   format->format, format->type, mipmap.address);
    }
    if (glGetError() != GL_NO_ERROR) {
      uploaded = false;
      break;
    }
    width = std::max(width / 2, 1);
    height = std::max(height / 2, 1);
  }

  glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
  return uploaded;
}

// [SECTION] Loading files and URLs

CCTexturePVR* CCTexturePVR::pvrTextureWithContentsOfFile(const std::string& path) {
  return platform::createAutoreleased<CCTexturePVR>(
      [&](CCTexturePVR& texture) { return texture.initWithContentsOfFile(path); });
}

CCTexturePVR* CCTexturePVR::pvrTextureWithContentsOfURL(std::string_view url) {
  const std::optional<std::string> path = pathOfFileURL(url);
  if (!path) return nullptr;
  return pvrTextureWithContentsOfFile(*path);
}

bool CCTexturePVR::initWithContentsOfURL(std::string_view url) {
  const std::optional<std::string> path = pathOfFileURL(url);
  if (!path) return false;
  return initWithContentsOfFile(*path);
}

bool CCTexturePVR::initWithContentsOfFile(const std::string& path) {
  std::string lowerPath = path;
  std::transform(lowerPath.begin(), lowerPath.end(), lowerPath.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

  unsigned char* bytes = nullptr;
  int length = -1;
  if (platform::hasSuffix(lowerPath, ".ccz")) {
    length = ccInflateCCZFile(path.c_str(), &bytes);
  } else if (platform::hasSuffix(lowerPath, ".gz")) {
    length = ccInflateGZipFile(path.c_str(), &bytes);
  } else {
    length = ccLoadFileIntoMemory(path.c_str(), &bytes);
  }
  if (length < 0) return false;
  const std::unique_ptr<unsigned char, FreeDeleter> file(bytes);

  reset();
  const bool created = unpackPVRData(file.get(), static_cast<unsigned int>(length)) && createGLTexture();
  // The levels point into the file, which goes now.
  for (CCPVRMipmap& mipmap : mipmaps_) mipmap = {};
  return created;
}

void CCTexturePVR::reset() {
  if (name_ != 0 && !retainName_) glDeleteTextures(1, &name_);
  for (CCPVRMipmap& mipmap : mipmaps_) mipmap = {};
  numberOfMipmaps_ = 0;
  name_ = 0;
  width_ = height_ = 0;
  tableFormatIndex_ = 0xFFFFFFFF;
  hasAlpha_ = false;
  retainName_ = false;
}

CCTexturePVR::~CCTexturePVR() {
  if (name_ != 0 && !retainName_) glDeleteTextures(1, &name_);
}
