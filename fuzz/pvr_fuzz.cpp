// Parses arbitrary bytes as a PVR texture container, without GL. Whatever the
// header claims, a successful parse must describe levels that lie one after
// another inside the input, and every uncompressed level must hold the bytes
// its pixels need. The mipmap-table assertion is passed over here, as under a
// handler that returns, so the walk goes on.

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/CCTexturePVR.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  CCPVRData parsed;
  if (!CCTexturePVR::unpackPVRData(data, size, parsed)) {
    if (parsed.numberOfMipmaps != 0) std::abort();
    return 0;
  }
  const CCPVRPixelFormatInfo* format = CCTexturePVR::pixelFormatInfo(parsed.tableFormatIndex);
  if (format == nullptr || parsed.width == 0 || parsed.height == 0) std::abort();
  if (parsed.numberOfMipmaps < 1 || parsed.numberOfMipmaps > CC_PVRMIPMAP_MAX) std::abort();

  const uint8_t* next = data + 52;
  uint64_t width = parsed.width, height = parsed.height;
  volatile unsigned checksum = 0;
  for (int level = 0; level < parsed.numberOfMipmaps; ++level) {
    const CCPVRMipmap& mipmap = parsed.mipmaps[level];
    if (mipmap.address != next || mipmap.len == 0 || mipmap.address + mipmap.len > data + size) std::abort();
    if (!format->compressed && mipmap.len / (format->bitsPerPixel / 8) / width < height) std::abort();
    for (unsigned i = 0; i < mipmap.len; ++i) checksum = checksum + mipmap.address[i];  // every byte must be readable
    next += mipmap.len;
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
  }
  return 0;
}
