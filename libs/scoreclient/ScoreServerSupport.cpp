#include "scoreclient/ScoreServerSupport.h"

#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <cstdio>

namespace scoreclient {

std::string encodeFormValue(std::string_view text) {
  static constexpr std::string_view kKept = "-._~!*'();:@$,/?#[]";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool alphanumeric = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
    if (alphanumeric || kKept.find(c) != std::string_view::npos) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
    }
  }
  return out;
}

namespace {

char16_t foldCase(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 32);
  if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) return static_cast<char16_t>(unit + 32);
  return unit;
}

}  // namespace

bool scoreKeyLess(std::string_view lhs, std::string_view rhs) {
  const std::u16string a = platform::utf8ToUtf16(lhs);
  const std::u16string b = platform::utf8ToUtf16(rhs);
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = foldCase(a[i]), y = foldCase(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::string serviceAddress(std::string_view path) {
  const std::string& base = platform::facts().scoreServer;
  if (base.empty()) {
    platform::log("scoreclient: no score service address: set TESSERA_SCORE_SERVER (e.g. http://127.0.0.1:8765)");
    return std::string();
  }
  return base + std::string(path);
}

platform::URLRequest makeRequest(const std::string& url, const char* method) {
  platform::URLRequest request;
  request.url = url;
  request.method = method;
  request.timeout = 10;
  return request;
}

std::string printableExcerpt(std::string_view bytes, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out.push_back(static_cast<char>(byte));
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  if (bytes.size() > limit) out += platform::formatString("... (%zu bytes)", bytes.size());
  return out;
}

}  // namespace scoreclient
