#include "platform/Facts.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/FloatChars.h"
#endif

#include "platform/Log.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

namespace platform {

namespace {

// Each reader takes the variable's text and returns the parsed value, or
// nothing when the text is not acceptable; the caller logs and keeps the
// default. An unset or empty variable is not an error.

std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
#ifdef __EMSCRIPTEN__
  auto [stop, error] = platform::web::fromChars(text.data(), end, value);
#else
  auto [stop, error] = std::from_chars(text.data(), end, value);
#endif
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<bool> parseSwitch(std::string_view text) {
  for (std::string_view on : {"1", "true", "yes", "on"}) {
    if (text == on) return true;
  }
  for (std::string_view off : {"0", "false", "no", "off"}) {
    if (text == off) return false;
  }
  return std::nullopt;
}

struct ScreenFact {
  CGSize size;
  float scale;
};

// "WxH" or "WxH@scale", all positive.
std::optional<ScreenFact> parseScreen(std::string_view text) {
  std::string_view dimensions = text;
  float scale = 1;
  if (auto at = text.find('@'); at != std::string_view::npos) {
    auto parsedScale = parseNumber(text.substr(at + 1));
    if (!parsedScale || *parsedScale <= 0) return std::nullopt;
    scale = static_cast<float>(*parsedScale);
    dimensions = text.substr(0, at);
  }
  auto cross = dimensions.find_first_of("xX");
  if (cross == std::string_view::npos) return std::nullopt;
  auto width = parseNumber(dimensions.substr(0, cross));
  auto height = parseNumber(dimensions.substr(cross + 1));
  if (!width || !height || *width <= 0 || *height <= 0) return std::nullopt;
  return ScreenFact{CGSizeMake(static_cast<float>(*width), static_cast<float>(*height)), scale};
}

// Dotted decimal components: "3", "3.2", "4.3.1".
bool isDottedVersion(std::string_view text) {
  bool expectDigit = true;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      expectDigit = false;
    } else if (c == '.' && !expectDigit) {
      expectDigit = true;
    } else {
      return false;
    }
  }
  return !expectDigit;
}

std::optional<std::string_view> variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string_view(value);
}

void reportBadValue(const char* name, std::string_view value, const char* expected) {
  log("tessera: ignoring %s=\"%.*s\": expected %s", name, static_cast<int>(value.size()), value.data(),
      expected);
}

void readSwitch(const char* name, bool& field) {
  auto text = variable(name);
  if (!text) return;
  if (auto value = parseSwitch(*text)) {
    field = *value;
  } else {
    reportBadValue(name, *text, "1 or 0 (true/false, yes/no, on/off)");
  }
}

// Decimal digits only: no sign, no spaces.
std::optional<std::uint64_t> parseSeed(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Relative paths are taken from the working directory now, at start-up,
// before anything could change it.
std::string absolutePath(std::string_view text) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(text), error);
  if (error) return std::string(text);
  return path.lexically_normal().string();
}

void readFromEnvironment(Facts& facts) {
  if (auto text = variable("TESSERA_SCREEN")) {
    if (auto screen = parseScreen(*text)) {
      facts.screenSize = screen->size;
      facts.screenScale = screen->scale;
    } else {
      reportBadValue("TESSERA_SCREEN", *text, "WIDTHxHEIGHT or WIDTHxHEIGHT@SCALE, all positive");
    }
  }
  if (auto text = variable("TESSERA_SYSTEM_VERSION")) {
    if (isDottedVersion(*text)) {
      facts.systemVersion = std::string(*text);
    } else {
      reportBadValue("TESSERA_SYSTEM_VERSION", *text, "a dotted version such as 3.2");
    }
  }
  if (auto text = variable("TESSERA_ORIENTATION")) {
    auto value = parseNumber(*text);
    if (value && (*value == 1 || *value == 2 || *value == 3 || *value == 4)) {
      facts.initialOrientation = static_cast<int>(*value);
    } else {
      reportBadValue("TESSERA_ORIENTATION", *text, "1, 2, 3 or 4");
    }
  }
  readSwitch("TESSERA_HEADLESS", facts.headless);
  if (auto text = variable("TESSERA_ADS")) {
    // "fake" names the local house-ad source, which is what "on" gives here.
    if (*text == "fake") {
      facts.adServiceAvailable = true;
    } else if (auto value = parseSwitch(*text)) {
      facts.adServiceAvailable = *value;
    } else {
      reportBadValue("TESSERA_ADS", *text, "on or off");
    }
  }
  readSwitch("TESSERA_FAKE_CLOCK", facts.fakeClock);
  if (auto text = variable("TESSERA_RESOURCE_DIR")) facts.resourceDir = std::string(*text);
  if (auto text = variable("TESSERA_DOCUMENTS_DIR")) facts.documentsDir = std::string(*text);
  if (auto text = variable("TESSERA_DEVICE_ID")) facts.deviceId = std::string(*text);
  if (auto text = variable("TESSERA_SCORE_SERVER")) {
    std::string_view address = *text;
    while (address.ends_with('/')) address.remove_suffix(1);
    facts.scoreServer = std::string(address);
  }
  if (auto text = variable("TESSERA_AUDIO")) facts.audioDevice = std::string(*text);
  if (auto text = variable("TESSERA_CAPTURE")) facts.captureFile = absolutePath(*text);
  if (auto text = variable("TESSERA_SEED")) {
    if (auto value = parseSeed(*text)) {
      facts.seed = *value;
    } else {
      reportBadValue("TESSERA_SEED", *text, "a whole number from 0 to 18446744073709551615");
    }
  }
  if (auto text = variable("TESSERA_CAPTURE_AT")) {
    auto value = parseNumber(*text);
    if (value && *value >= 0) {
      facts.captureAt = *value;
    } else {
      reportBadValue("TESSERA_CAPTURE_AT", *text, "seconds, zero or more");
    }
  }
}

Facts& storage() {
  static Facts instance = [] {
    Facts facts;
    readFromEnvironment(facts);
    return facts;
  }();
  return instance;
}

}  // namespace

Facts& facts() { return storage(); }

void resetFacts() {
  Facts fresh;
  readFromEnvironment(fresh);
  storage() = fresh;
}

std::uint64_t randomSeed() {
  const Facts& current = facts();
  if (current.seed) return *current.seed;
  if (current.fakeClock) return kFakeClockSeed;
  static const std::uint64_t entropySeed = [] {
    std::random_device device;
    const std::uint64_t high = device();
    const std::uint64_t low = device();
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return ((high << 32) | low) ^ ticks;
  }();
  return entropySeed;
}

}  // namespace platform
