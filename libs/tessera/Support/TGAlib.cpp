#include "tessera/Support/TGAlib.h"

#include "platform/Log.h"
#include "tessera/Support/CCFileUtils.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::uint8_t kTypeIndexed = 1;
constexpr std::uint8_t kTypeTrueColor = 2;
constexpr std::uint8_t kTypeGrey = 3;
constexpr std::uint8_t kTypeRunLength = 10;
constexpr std::uint8_t kDescriptorTopFirst = 0x20;

std::uint16_t readLittle16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::size_t pixelCount(const sImageTGA* info) {
  return static_cast<std::size_t>(info->width) * static_cast<std::size_t>(info->height);
}

// The buffer the image needs: width × height × depth / 8 bytes, at least as
// much as the decoders write (width × height × (depth / 8)).
std::size_t imageBytes(const sImageTGA* info) { return pixelCount(info) * info->pixelDepth / 8; }

void swapRedAndBlue(unsigned char* pixel, std::size_t bytesPerPixel) {
  if (bytesPerPixel >= 3) std::swap(pixel[0], pixel[2]);
}

// Walks the packets without decoding them: whether the data holds every
// pixel the header promises. Each packet takes at least one byte, so this
// ends within `length` steps.
bool runLengthDataIsComplete(const unsigned char* data, std::size_t length, const sImageTGA* info) {
  const std::size_t bytesPerPixel = tgaBytesPerPixel(info);
  const std::size_t total = pixelCount(info);
  std::size_t offset = kTGAHeaderLength;
  std::size_t pixels = 0;
  while (pixels < total) {
    if (offset >= length) return false;
    const unsigned char header = data[offset++];
    const std::size_t count = std::min<std::size_t>((header & 0x7F) + 1u, total - pixels);
    const std::size_t needed = header >= 128 ? bytesPerPixel : count * bytesPerPixel;
    if (length - offset < needed) return false;
    offset += needed;
    pixels += count;
  }
  return true;
}

sImageTGA* refuse(sImageTGA* info, std::int32_t status, const char* name, const char* why) {
  info->status = status;
  CCLOG("tessera: TGAlib: %s: %s (type %u, %u bits, %d x %d)", name, why, static_cast<unsigned>(info->type),
        static_cast<unsigned>(info->pixelDepth), static_cast<int>(info->width), static_cast<int>(info->height));
  return info;
}

}  // namespace

// [SECTION] Pieces

bool tgaLoadHeader(const unsigned char* data, std::size_t length, sImageTGA* info) {
  if (data == nullptr || length < kTGAHeaderLength) return false;
  // ID length, colour-map type, colour-map origin, length and entry size and
  // the x and y origin are not used.
  info->type = data[2];
  info->width = static_cast<std::int16_t>(readLittle16(&data[12]));
  info->height = static_cast<std::int16_t>(readLittle16(&data[14]));
  info->pixelDepth = data[16];
  info->flipped = (data[17] & kDescriptorTopFirst) != 0 ? 1 : 0;
  return true;
}

bool tgaLoadImageData(const unsigned char* data, std::size_t length, sImageTGA* info) {
  const std::size_t total = imageBytes(info);
  if (length < kTGAHeaderLength || length - kTGAHeaderLength < total) return false;
  std::memcpy(info->imageData, data + kTGAHeaderLength, total);
  const std::size_t bytesPerPixel = tgaBytesPerPixel(info);
  if (bytesPerPixel >= 3) {
    const std::size_t pixels = pixelCount(info);
    for (std::size_t i = 0; i < pixels; ++i) swapRedAndBlue(&info->imageData[i * bytesPerPixel], bytesPerPixel);
  }
  return true;
}

bool tgaLoadRLEImageData(const unsigned char* data, std::size_t length, sImageTGA* info) {
  const std::size_t bytesPerPixel = tgaBytesPerPixel(info);
  const std::size_t total = pixelCount(info);
  std::size_t offset = kTGAHeaderLength;
  unsigned char* out = info->imageData;
  for (std::size_t pixel = 0; pixel < total;) {
    if (offset >= length) return false;
    const unsigned char header = data[offset++];
    const std::size_t count = std::min<std::size_t>((header & 0x7F) + 1u, total - pixel);
    if (header >= 128) {
      // A run: one pixel, swapped once, stored `count` times.
      if (length - offset < bytesPerPixel) return false;
      unsigned char* first = out;
      std::memcpy(first, data + offset, bytesPerPixel);
      offset += bytesPerPixel;
      swapRedAndBlue(first, bytesPerPixel);
      out += bytesPerPixel;
      for (std::size_t i = 1; i < count; ++i, out += bytesPerPixel) std::memcpy(out, first, bytesPerPixel);
    } else {
      if (length - offset < count * bytesPerPixel) return false;
      for (std::size_t i = 0; i < count; ++i, out += bytesPerPixel, offset += bytesPerPixel) {
        std::memcpy(out, data + offset, bytesPerPixel);
        swapRedAndBlue(out, bytesPerPixel);
      }
    }
    pixel += count;
  }
  return true;
}

bool tgaFlipImage(sImageTGA* info) {
  const std::size_t rowBytes = static_cast<std::size_t>(info->width) * tgaBytesPerPixel(info);
  const std::size_t rows = static_cast<std::size_t>(info->height);
  if (rowBytes > 0 && rows > 1) {
    auto* row = static_cast<unsigned char*>(std::malloc(rowBytes));
    if (row == nullptr) return false;
    for (std::size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
      unsigned char* upper = info->imageData + top * rowBytes;
      unsigned char* lower = info->imageData + bottom * rowBytes;
      std::memcpy(row, upper, rowBytes);
      std::memcpy(upper, lower, rowBytes);
      std::memcpy(lower, row, rowBytes);
    }
    std::free(row);
  }
  info->flipped = 0;
  return true;
}

// [SECTION] Loading

sImageTGA* tgaLoadBuffer(const unsigned char* data, std::size_t length, const char* name) {
  auto* info = new (std::nothrow) sImageTGA();
  if (info == nullptr) return nullptr;

  if (!tgaLoadHeader(data, length, info)) return refuse(info, kTGAStatusReadError, name, "shorter than its header");
  if (info->type == kTypeIndexed) return refuse(info, kTGAStatusIndexedColor, name, "colour-mapped images are not supported");
  const bool runLength = info->type == kTypeRunLength;
  if (info->type != kTypeTrueColor && info->type != kTypeGrey && !runLength) {
    return refuse(info, kTGAStatusUnsupportedType, name, "unsupported image type");
  }
  // The sizes are signed 16-bit fields: a "width" of 40000 reads as negative.
  if (info->width < 0 || info->height < 0) return refuse(info, kTGAStatusReadError, name, "negative size");

  const std::size_t bytes = imageBytes(info);
  if (bytes > kTGAMaxImageBytes) return refuse(info, kTGAStatusOutOfMemory, name, "image larger than 256 MiB");
  // Cut-short data is refused before anything is allocated for it.
  const bool complete = runLength ? runLengthDataIsComplete(data, length, info)
                                  : length - kTGAHeaderLength >= bytes;
  if (!complete) return refuse(info, kTGAStatusReadError, name, "pixel data cut short");

  // Zeroed, and never of size 0, so an empty image still has a buffer and
  // the bytes beyond the last whole pixel (odd depths) are defined.
  info->imageData = static_cast<unsigned char*>(std::calloc(std::max<std::size_t>(bytes, 1), 1));
  if (info->imageData == nullptr) return refuse(info, kTGAStatusOutOfMemory, name, "out of memory");

  const bool read = runLength ? tgaLoadRLEImageData(data, length, info) : tgaLoadImageData(data, length, info);
  if (!read) {
    std::free(info->imageData);
    info->imageData = nullptr;
    return refuse(info, kTGAStatusReadError, name, "pixel data cut short");
  }
  info->status = kTGAStatusOK;
  if (info->flipped != 0 && !tgaFlipImage(info)) {
    std::free(info->imageData);
    info->imageData = nullptr;
    return refuse(info, kTGAStatusOutOfMemory, name, "out of memory reversing the rows");
  }
  return info;
}

sImageTGA* tgaLoad(const char* path) {
  unsigned char* data = nullptr;
  const int length = path != nullptr ? ccLoadFileIntoMemory(path, &data) : -1;
  if (length < 0) {
    auto* info = new (std::nothrow) sImageTGA();
    if (info == nullptr) return nullptr;
    return refuse(info, kTGAStatusCannotOpen, path != nullptr ? path : "(null)", "cannot open the file");
  }
  sImageTGA* info = tgaLoadBuffer(data, static_cast<std::size_t>(length), path);
  std::free(data);
  return info;
}

void tgaDestroy(sImageTGA* info) {
  if (info == nullptr) return;
  std::free(info->imageData);
  delete info;
}
