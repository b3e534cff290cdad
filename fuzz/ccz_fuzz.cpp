// Feeds arbitrary bytes to one of the packed-data readers, chosen by the
// first byte: 0 in-memory zlib/gzip inflation, 1 the ".ccz" file reader,
// 2 the ".gz" file reader (both through a scratch file). Each must return its stated failure or a buffer of exactly
// the length it reports, without reading out of bounds, looping or
// allocating beyond its limit.

#include "platform/Log.h"
#include "tessera/Support/ZipUtils.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string g_scratchPath;

// Touches every byte of a returned buffer so the sanitizer sees its real size.
void checkResult(int length, unsigned char* out, int failure) {
  if (length == failure && length != 0 && out != nullptr) std::abort();
  if (length < 0 && length != failure) std::abort();
  if (length > 0) {
    if (out == nullptr || static_cast<std::size_t>(length) > kZipUtilsMaxUnpackedLength) std::abort();
    volatile unsigned char sink = 0;
    for (int i = 0; i < length; ++i) sink = sink ^ out[i];
  }
  std::free(out);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  char path[] = "/tmp/tessera-ccz-fuzz-XXXXXX";
  const int descriptor = mkstemp(path);
  if (descriptor < 0) std::abort();
  close(descriptor);
  g_scratchPath = path;
  std::atexit([] { unlink(g_scratchPath.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int reader = data[0] % 3;
  ++data;
  --size;

  unsigned char* out = nullptr;
  if (reader == 0) {
    const int length = ccInflateBytes(data, static_cast<unsigned>(size), &out);
    if (size == 0 && out != nullptr) std::abort();
    checkResult(length, out, 0);
    return 0;
  }

  std::FILE* file = std::fopen(g_scratchPath.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  const int length = reader == 1 ? ccInflateCCZFile(g_scratchPath.c_str(), &out)
                                 : ccInflateGZipFile(g_scratchPath.c_str(), &out);
  checkResult(length, out, -1);
  return 0;
}
