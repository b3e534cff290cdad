#include "tessera/Support/base64.h"

#include "platform/Assert.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::int8_t kNotInAlphabet = -1;

// Maps each byte to its 6-bit value, or kNotInAlphabet.
constexpr std::array<std::int8_t, 256> makeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table) entry = kNotInAlphabet;
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int value = 0; value < 64; ++value) table[static_cast<unsigned char>(alphabet[value])] = static_cast<std::int8_t>(value);
  return table;
}

constexpr std::array<std::int8_t, 256> kDecodeTable = makeDecodeTable();

}  // namespace

int base64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out) {
  CC_HARD_ASSERT(out);
  *out = nullptr;

  // Every 4 characters give 3 bytes and a partial group never gives more than
  // 3/4 of its length, so inLength * 3 / 4 bytes always suffice; the extra
  // byte keeps the allocation non-empty. Computed in integers: a float
  // product loses precision above 2^24 characters and could come out short.
  const std::uint64_t capacity = static_cast<std::uint64_t>(inLength) * 3 / 4 + 1;
  if (capacity > static_cast<std::uint64_t>(INT_MAX)) return 0;
  auto* buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(capacity)));
  if (buffer == nullptr) return 0;

  std::uint32_t bits = 0;  // the characters of the unfinished group, 6 bits each
  int charactersInGroup = 0;
  std::size_t written = 0;
  bool failed = false;
  bool sawPadding = false;

  for (unsigned int i = 0; i < inLength; ++i) {
    const unsigned char character = in[i];
    if (character == '=') {
      sawPadding = true;
      break;
    }
    const std::int8_t value = kDecodeTable[character];
    if (value == kNotInAlphabet) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++charactersInGroup == 4) {
      buffer[written++] = static_cast<unsigned char>(bits >> 16);
      buffer[written++] = static_cast<unsigned char>(bits >> 8);
      buffer[written++] = static_cast<unsigned char>(bits);
      bits = 0;
      charactersInGroup = 0;
    }
  }

  if (sawPadding) {
    switch (charactersInGroup) {
      case 1:
        std::fprintf(stderr, "base64Decode: encoding incomplete: at least 2 bits missing\n");
        failed = true;
        break;
      case 2:  // 12 bits: one byte and 4 padding bits
        buffer[written++] = static_cast<unsigned char>(bits >> 4);
        break;
      case 3:  // 18 bits: two bytes and 2 padding bits
        buffer[written++] = static_cast<unsigned char>(bits >> 10);
        buffer[written++] = static_cast<unsigned char>(bits >> 2);
        break;
      default:
        break;
    }
  } else if (charactersInGroup != 0) {
    std::fprintf(stderr, "base64 encoding incomplete: at least %d bits truncated\n", 24 - 6 * charactersInGroup);
    failed = true;
  }

  if (failed) {
    std::fflush(stderr);
    std::printf("Base64Utils: error decoding\n");
    std::fflush(stdout);
    std::free(buffer);
    return 0;
  }
  *out = buffer;
  return static_cast<int>(written);
}
