// Decodes arbitrary bytes as a PNG file (with valid chunk checksums), then
// re-encodes what decoded. The decoder must refuse bad data with nullptr,
// never crash or read out of bounds; an accepted image must have the facts
// its pixels promise.

#include "platform/AutoreleasePool.h"
#include "platform/Image.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <zlib.h>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  // Keep each input fast: at most 4 MiB of decoded pixels.
  platform::Image::setMaxDecodedBytes(std::size_t{4} << 20);
  return 0;
}

namespace {

uint32_t bigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Rewrites the CRC of every complete chunk, so that mutations reach the
// decoder instead of stopping at the checksum.
void fixChecksums(std::vector<uint8_t>& bytes) {
  std::size_t offset = 8;
  while (bytes.size() - offset >= 12) {
    uint32_t length = bigEndian32(&bytes[offset]);
    if (length > bytes.size() - offset - 12) break;
    uLong crc = crc32(0, &bytes[offset + 4], uInt(length) + 4);
    uint8_t* out = &bytes[offset + 8 + length];
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(crc >> (24 - 8 * i));
    offset += std::size_t(length) + 12;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The signature is fixed, so give every input one: the fuzzer then spends
  // its time on chunks rather than rediscovering the eight magic bytes.
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> bytes(kSignature, kSignature + 8);
  bytes.insert(bytes.end(), data, data + size);
  fixChecksums(bytes);
  platform::AutoreleasePool pool;
  platform::Image* image = platform::Image::imageWithData(bytes);
  if (!image) return 0;
  std::size_t expected = image->rowBytes() * std::size_t(image->height());
  if (image->pixels().size() != expected || image->width() <= 0 || image->height() <= 0) std::abort();
  int bits = image->bitsPerComponent();
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) std::abort();
  if (image->alphaInfo() != platform::Image::kAlphaLast && image->alphaInfo() != platform::Image::kAlphaNone) {
    std::abort();
  }
  if (image->width() * image->height() <= 4096) {
    auto png = image->encodePNG();
    if (!png || !platform::Image::imageWithData(*png)) std::abort();
  }
  return 0;
}
