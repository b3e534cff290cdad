// Reads arbitrary bytes as a TGA image from memory. The reader must never
// crash, hang, leak or read outside the input, whatever the header's sizes,
// depth, type and packets claim; an image it accepts must be consistent: a
// supported type, non-negative sizes within the size limit, rows stored
// bottom first, and every byte of every pixel readable (the tile map reads
// them all).

#include "platform/Log.h"
#include "tessera/Support/TGAlib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sImageTGA* info = tgaLoadBuffer(data, size, "fuzz.tga");
  if (info == nullptr) return 0;
  if (info->status == kTGAStatusOK) {
    if (info->type != 2 && info->type != 3 && info->type != 10) std::abort();
    if (info->width < 0 || info->height < 0 || info->flipped != 0 || info->imageData == nullptr) std::abort();
    const std::size_t bytes =
        static_cast<std::size_t>(info->width) * static_cast<std::size_t>(info->height) * tgaBytesPerPixel(info);
    if (bytes > kTGAMaxImageBytes) std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += info->imageData[i];
    if (sum == 0xFFFFFFFFu) std::abort();  // keeps the reads
  } else if (info->imageData != nullptr) {
    std::abort();  // a refused image holds no pixels
  }
  tgaDestroy(info);
  return 0;
}
