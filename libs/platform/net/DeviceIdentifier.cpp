#include "platform/net/DeviceIdentifier.h"

#include "platform/Facts.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <cstdio>
#include <mutex>
#include <random>

namespace platform {

namespace {

bool isUuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Version 4 (random) UUID from the system's entropy source.
std::string randomUuid() {
  std::random_device entropy;
  uint8_t bytes[16];
  for (std::size_t i = 0; i < sizeof bytes; i += 4) {
    const uint32_t word = entropy();
    for (std::size_t j = 0; j < 4; ++j) bytes[i + j] = static_cast<uint8_t>(word >> (8 * j));
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  std::string out;
  for (std::size_t i = 0; i < sizeof bytes; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    out.append(pair, 2);
  }
  return out;
}

}  // namespace

std::string uniqueDeviceIdentifier() {
  if (!facts().deviceId.empty()) return facts().deviceId;
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const std::string path = stringByAppendingPathComponent(documentsDirectory(), ".device-id");
  if (auto bytes = readFile(path)) {
    const std::string text = trim(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (isUuid(text)) return text;
    log("platform: replacing the damaged device identifier in %s (%zu bytes)", path.c_str(), bytes->size());
  }
  const std::string identifier = randomUuid();
  const std::string line = identifier + "\n";
  writeFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(line.data()), line.size()));
  return identifier;
}

}  // namespace platform
