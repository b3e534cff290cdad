#include "platform/StringUtils.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/FloatChars.h"
#endif

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

// [SECTION] Numbers from text
// [SECTION] UTF-8 and UTF-16
// [SECTION] Paths
// [SECTION] Everyday text operations
// [SECTION] Formatting

namespace platform {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  return i;
}

std::size_t countDigits(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && isDigit(text[i])) ++i;
  return i - from;
}

}  // namespace

// [SECTION] Numbers from text

int64_t longLongValue(std::string_view text) {
  std::size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate the magnitude unsigned; the limit is 2^63 for negatives and
  // 2^63 - 1 for positives, and the first digit past it saturates.
  const uint64_t limit = negative ? uint64_t{1} << 63 : uint64_t{INT64_MAX};
  uint64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    const auto digit = static_cast<uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(magnitude);
  if (magnitude == uint64_t{1} << 63) return INT64_MIN;
  return -static_cast<int64_t>(magnitude);
}

int32_t intValue(std::string_view text) {
  return static_cast<int32_t>(std::clamp<int64_t>(longLongValue(text), INT32_MIN, INT32_MAX));
}

std::size_t parseDecimalPrefix(std::string_view text, double& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t mantissaStart = i;
  const std::size_t integerDigits = countDigits(text, i);
  i += integerDigits;
  std::size_t fractionDigits = 0;
  if (i < text.size() && text[i] == '.') {
    fractionDigits = countDigits(text, i + 1);
    if (integerDigits + fractionDigits > 0) i += 1 + fractionDigits;
  }
  if (integerDigits + fractionDigits == 0) return 0;

  // The exponent only counts with at least one digit: "1e" reads as 1.
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      negativeExponent = text[j] == '-';
      ++j;
    }
    const std::size_t exponentDigits = countDigits(text, j);
    if (exponentDigits > 0) {
      for (std::size_t k = j; k < j + exponentDigits; ++k) {
        exponent = std::min<int64_t>(exponent * 10 + (text[k] - '0'), 1'000'000'000);
      }
      if (negativeExponent) exponent = -exponent;
      i = j + exponentDigits;
    }
  }

  double magnitude = 0;
  const char* first = text.data() + mantissaStart;
  const char* last = text.data() + i;
#ifdef __EMSCRIPTEN__
  const auto [end, error] = platform::web::fromChars(first, last, magnitude);
#else
  const auto [end, error] = std::from_chars(first, last, magnitude, std::chars_format::general);
#endif
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it does not fit: decide between
    // overflow and underflow from the decimal position of the leading digit.
    const std::string_view digits = text.substr(mantissaStart, integerDigits);
    std::size_t leadingZeros = 0;
    while (leadingZeros < digits.size() && digits[leadingZeros] == '0') ++leadingZeros;
    int64_t leadingPower = 0;
    if (leadingZeros < integerDigits) {
      leadingPower = static_cast<int64_t>(integerDigits - leadingZeros) - 1;
    } else if (fractionDigits > 0) {
      const std::string_view fraction = text.substr(mantissaStart + integerDigits + 1, fractionDigits);
      std::size_t zeros = 0;
      while (zeros < fraction.size() && fraction[zeros] == '0') ++zeros;
      leadingPower = -static_cast<int64_t>(zeros) - 1;
    }
    magnitude = leadingPower + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc()) {
    return 0;
  }
  value = negative ? -magnitude : magnitude;
  return static_cast<std::size_t>(end - text.data());
}

double doubleValue(std::string_view text) {
  double value = 0;
  parseDecimalPrefix(text.substr(skipSpace(text)), value);
  return value;
}

float floatValue(std::string_view text) { return static_cast<float>(doubleValue(text)); }

bool boolValue(std::string_view text) {
  std::size_t i = skipSpace(text);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

// [SECTION] UTF-8 and UTF-16

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // Continuation count and the allowed range of the first continuation
    // byte, which excludes overlong forms and values above U+10FFFF. ED keeps
    // its full range: encoded surrogates are accepted (generalized UTF-8).
    int continuations = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      continuations = 1;
      codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      continuations = 2;
      codePoint = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      continuations = 3;
      codePoint = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    int read = 0;
    for (; read < continuations; ++read, ++j) {
      if (j >= n) break;
      const auto byte = static_cast<unsigned char>(utf8[j]);
      if (byte < low || byte > high) break;
      codePoint = (codePoint << 6) | (byte & 0x3F);
      low = 0x80;
      high = 0xBF;
    }
    i = j;  // a broken sequence's valid prefix becomes a single U+FFFD
    if (read < continuations) {
      out.push_back(u'\uFFFD');
    } else if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(codePoint));
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  const std::size_t n = utf16.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t unit = utf16[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 &&
               utf16[i + 1] <= 0xDFFF) {
      const char32_t codePoint = 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
      out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
      // Includes lone surrogates, written as their own 3-byte sequence.
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

// [SECTION] Paths

namespace {

/// `path` without trailing slashes; a path of slashes only becomes "/".
std::string_view withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

/// Collapses runs of '/' into one and drops a trailing '/' (a lone "/" stays).
std::string standardizedSlashes(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

std::string lastPathComponent(std::string_view path) {
  const std::string_view trimmed = withoutTrailingSlashes(path);
  if (trimmed == "/") return "/";
  const std::size_t slash = trimmed.rfind('/');
  return std::string(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
  const std::string_view trimmed = withoutTrailingSlashes(path);
  if (trimmed == "/") return "/";
  const std::size_t slash = trimmed.rfind('/');
  if (slash == std::string_view::npos) return "";
  std::string_view head = trimmed.substr(0, slash);
  while (!head.empty() && head.back() == '/') head.remove_suffix(1);
  return head.empty() ? "/" : std::string(head);
}

std::string pathExtension(std::string_view path) {
  const std::string name = lastPathComponent(path);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  return name.substr(dot + 1);
}

std::string stringByDeletingPathExtension(std::string_view path) {
  const std::string_view trimmed = withoutTrailingSlashes(path);
  const std::size_t slash = trimmed.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = trimmed.rfind('.');
  if (dot == std::string_view::npos || dot <= nameStart) return std::string(trimmed);
  return std::string(trimmed.substr(0, dot));
}

std::string stringByAppendingPathComponent(std::string_view path, std::string_view component) {
  std::string joined;
  joined.reserve(path.size() + component.size() + 1);
  joined.append(path);
  if (!path.empty() && !component.empty()) joined.push_back('/');
  joined.append(component);
  return standardizedSlashes(joined);
}

std::string stringByAppendingPathExtension(std::string_view path, std::string_view extension) {
  const std::string_view trimmed = withoutTrailingSlashes(path);
  std::string out(trimmed);
  if (extension.empty() || trimmed.empty() || trimmed == "/") return out;
  out.push_back('.');
  out.append(extension);
  return out;
}

// [SECTION] Everyday text operations

bool hasPrefix(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }

bool hasSuffix(std::string_view text, std::string_view suffix) { return text.ends_with(suffix); }

std::vector<std::string> split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = text.find(separator, start);
    if (found == std::string_view::npos) break;
    pieces.emplace_back(text.substr(start, found - start));
    start = found + separator.size();
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

std::string replaceAll(std::string_view text, std::string_view target, std::string_view replacement) {
  if (target.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t found = text.find(target, start);
    if (found == std::string_view::npos) break;
    out.append(text.substr(start, found - start));
    out.append(replacement);
    start = found + target.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isSpace(text[first])) ++first;
  while (last > first && isSpace(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

int compareVersions(std::string_view lhs, std::string_view rhs) {
  // Walks both strings one component at a time; an exhausted side reads 0.
  auto nextComponent = [](std::string_view& rest, bool& exhausted) -> int64_t {
    if (exhausted) return 0;
    const std::size_t dot = rest.find('.');
    const int64_t number = longLongValue(rest.substr(0, dot));
    if (dot == std::string_view::npos) {
      exhausted = true;
    } else {
      rest.remove_prefix(dot + 1);
    }
    return number;
  };
  bool lhsDone = lhs.empty(), rhsDone = rhs.empty();
  while (!lhsDone || !rhsDone) {
    const int64_t left = nextComponent(lhs, lhsDone);
    const int64_t right = nextComponent(rhs, rhsDone);
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

// [SECTION] Formatting

namespace {

locale_t cLocale() {
  // The "C" locale object is built in; newlocale does not allocate for it.
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return locale;
}

}  // namespace

std::string formatStringV(const char* format, va_list args) {
  const locale_t previous = uselocale(cLocale());
  char stackBuffer[256];
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, args);
  std::string out;
  if (length > 0 && static_cast<std::size_t>(length) < sizeof stackBuffer) {
    out.assign(stackBuffer, static_cast<std::size_t>(length));
  } else if (length > 0) {
    out.resize(static_cast<std::size_t>(length));
    std::vsnprintf(out.data(), out.size() + 1, format, copy);
  }
  va_end(copy);
  uselocale(previous);
  return out;
}

std::string formatString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = formatStringV(format, args);
  va_end(args);
  return out;
}

}  // namespace platform
