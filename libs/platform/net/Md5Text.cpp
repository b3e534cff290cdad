// The parts of MD5 that do not depend on the digest's implementation (OpenSSL
// on the desktop, web/Md5Algorithm.h in the browser): text input and
// hexadecimal output.

#include "platform/net/Md5.h"

#include <cstdio>

namespace platform {

void Md5::update(std::string_view text) {
  update(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string Md5::hexDigest() {
  std::string out;
  for (uint8_t byte : finish()) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    out.append(pair, 2);
  }
  return out;
}

std::string Md5::hexDigestOf(std::string_view text) {
  Md5 md5;
  md5.update(text);
  return md5.hexDigest();
}

}  // namespace platform
