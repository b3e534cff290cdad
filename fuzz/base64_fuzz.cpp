// Decodes arbitrary bytes as Base64 and checks the result against the rules
// counted independently: only alphabet characters before the first '='
// count, a whole group gives 3 bytes, a padded group of 2 or 3 characters
// gives 1 or 2, anything else fails with no buffer.

#include "tessera/Support/base64.h"

#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The decoder reports failures on standard output; keep the fuzzer's
  // console readable.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::size_t characters = 0;
  bool padded = false;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '=') {
      padded = true;
      break;
    }
    if (std::isalnum(data[i]) || data[i] == '+' || data[i] == '/') ++characters;
  }
  const std::size_t partial = characters % 4;
  const bool shouldFail = partial == 1 || (partial != 0 && !padded);
  const std::size_t expected = characters / 4 * 3 + (partial == 3 ? 2 : partial == 2 ? 1 : 0);

  unsigned char* out = reinterpret_cast<unsigned char*>(1);
  const int length = base64Decode(data, static_cast<unsigned>(size), &out);
  if (shouldFail) {
    if (length != 0 || out != nullptr) std::abort();
    return 0;
  }
  if (out == nullptr || static_cast<std::size_t>(length) != expected) std::abort();
  volatile unsigned char sink = 0;
  for (int i = 0; i < length; ++i) sink = sink ^ out[i];
  std::free(out);
  return 0;
}
