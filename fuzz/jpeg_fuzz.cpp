// Decodes arbitrary bytes as a JPEG file, then re-encodes what decoded. The
// decoder must refuse bad data with nullptr (libjpeg's errors jump back, they
// never exit the process), never crash or read out of bounds.

#include "platform/AutoreleasePool.h"
#include "platform/Image.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  // Keep each input fast: at most 4 MiB of decoded pixels.
  platform::Image::setMaxDecodedBytes(std::size_t{4} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Every input starts with the start-of-image marker the decoder is chosen by.
  std::vector<uint8_t> bytes = {0xFF, 0xD8, 0xFF};
  bytes.insert(bytes.end(), data, data + size);
  platform::AutoreleasePool pool;
  platform::Image* image = platform::Image::imageWithData(bytes);
  if (!image) return 0;
  if (image->pixels().size() != image->rowBytes() * std::size_t(image->height())) std::abort();
  if (image->alphaInfo() != platform::Image::kAlphaNoneSkipLast || image->bitsPerComponent() != 8) std::abort();
  if (image->width() * image->height() <= 4096) {
    auto jpeg = image->encodeJPEG(0.9f);
    if (!jpeg || !platform::Image::imageWithData(*jpeg)) std::abort();
  }
  return 0;
}
