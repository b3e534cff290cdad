#include "json/CJSONScanner.h"

#include "platform/StringUtils.h"

namespace json {

namespace {

// [SECTION] Errors

const char* descriptionOf(int code) {
  switch (code) {
    case -1: return "Could not scan dictionary. Dictionary that does not start with '{' character.";
    case -2: return "Could not scan dictionary. Failed to scan a key.";
    case -3: return "Could not scan dictionary. Key was not terminated with a ':' character.";
    case -4: return "Could not scan dictionary. Failed to scan a value.";
    case -5: return "Could not scan dictionary. Key value pairs not delimited with a ',' character.";
    case -6: return "Could not scan dictionary. Dictionary not terminated by a '}' character.";
    case -7: return "Could not scan array. Array not started by a '{' character.";
    case -8: return "Could not scan array. Could not scan a value.";
    case -9:
    case -10: return "Could not scan array. Array not terminated by a ']' character.";
    case -11: return "Could not scan string constant. String not started by a '\"' character.";
    case -12: return "Could not scan string constant. Unicode character could not be decoded.";
    case -13: return "Could not scan string constant. Unknown escape code.";
    case -14: return "Could not scan number constant.";
    case -15: return "Could not scan value. Arrays and dictionaries nested too deep.";
    default: return "";
  }
}

void setError(platform::Error* error, int code) {
  if (!error) return;
  error->domain = kCJSONScannerErrorDomain;
  error->code = code;
  error->description = descriptionOf(code);
}

// [SECTION] Text encodings

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

constexpr uint32_t kReplacementCharacter = 0xFFFD;

/// Appends one UTF-16 code unit. A low surrogate that follows an encoded
/// high surrogate joins it into one 4-byte character, as concatenating
/// UTF-16 text would; a lone surrogate stays a 3-byte sequence.
void appendCodeUnit(std::string& out, uint32_t unit) {
  const std::size_t n = out.size();
  if (unit >= 0xDC00 && unit <= 0xDFFF && n >= 3 && static_cast<uint8_t>(out[n - 3]) == 0xED &&
      (static_cast<uint8_t>(out[n - 2]) & 0xF0) == 0xA0) {
    const uint32_t high =
        0xD000 | ((static_cast<uint8_t>(out[n - 2]) & 0x3F) << 6) | (static_cast<uint8_t>(out[n - 1]) & 0x3F);
    out.resize(n - 3);
    appendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
    return;
  }
  appendUtf8(out, unit);
}

enum class Encoding { Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

Encoding detectEncoding(std::span<const uint8_t> bytes) {
  if (bytes.size() <= 3) return Encoding::Utf8;
  const uint8_t b0 = bytes[0], b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
  if (b0 != 0 && b1 == 0 && b3 == 0) return b2 != 0 ? Encoding::Utf16LE : Encoding::Utf32LE;
  if (b0 == 0 && b2 == 0 && b3 != 0) return b1 != 0 ? Encoding::Utf16BE : Encoding::Utf32BE;
  return Encoding::Utf8;
}

/// UTF-16 or UTF-32 to UTF-8; a trailing partial unit is dropped, code
/// points above U+10FFFF become U+FFFD, lone surrogates are kept.
std::vector<uint8_t> convertToUtf8(std::span<const uint8_t> bytes, Encoding encoding) {
  std::string out;
  out.reserve(bytes.size());
  if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE) {
    const bool little = encoding == Encoding::Utf16LE;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const uint32_t unit = little ? (bytes[i] | (bytes[i + 1] << 8)) : ((bytes[i] << 8) | bytes[i + 1]);
      appendCodeUnit(out, unit);
    }
  } else {
    const bool little = encoding == Encoding::Utf32LE;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
      const uint32_t code =
          little ? (bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (uint32_t{bytes[i + 3]} << 24))
                 : ((uint32_t{bytes[i]} << 24) | (bytes[i + 1] << 16) | (bytes[i + 2] << 8) | bytes[i + 3]);
      if (code > 0x10FFFF) {
        appendUtf8(out, kReplacementCharacter);
      } else if (code < 0x10000) {
        appendCodeUnit(out, code);
      } else {
        appendUtf8(out, code);
      }
    }
  }
  return std::vector<uint8_t>(out.begin(), out.end());
}

int hexDigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// Keeps the nesting depth while a collection is being scanned.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

// [SECTION] Creation and data

CJSONScanner* CJSONScanner::scannerWithData(std::span<const uint8_t> bytes) {
  return platform::createAutoreleased<CJSONScanner>([&](CJSONScanner& scanner) {
    scanner.setData(bytes);
    return true;
  });
}

CJSONScanner* CJSONScanner::scannerWithData(std::string_view bytes) {
  return scannerWithData(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

void CJSONScanner::setData(std::span<const uint8_t> bytes) {
  const Encoding encoding = detectEncoding(bytes);
  if (encoding == Encoding::Utf8) {
    CDataScanner::setData(bytes);
  } else {
    assignData(convertToUtf8(bytes, encoding));
  }
}

// [SECTION] Values

bool CJSONScanner::scanJSONObject(platform::Value* value, platform::Error* error) {
  if (depth_ == 0) tooDeep_ = false;
  skipWhitespace();
  const int c = peek();
  switch (c) {
    case '{': return scanJSONDictionary(value, error);
    case '[': return scanJSONArray(value, error);
    case '"':
    case '\'': return scanJSONStringConstant(value, error);
    case 't':
      if (!scanUTF8String("true")) return false;
      if (value) *value = platform::Value(true);
      return true;
    case 'f':
      if (!scanUTF8String("false")) return false;
      if (value) *value = platform::Value(false);
      return true;
    case 'n':
      if (!scanUTF8String("null")) return false;
      if (value) *value = platform::Value();
      return true;
    default:
      if (c == '-' || (c >= '0' && c <= '9')) return scanJSONNumberConstant(value, error);
      return false;
  }
}

bool CJSONScanner::openCollection(char opening, int missingCode, std::size_t start, platform::Error* error) {
  if (!scanCharacter(opening)) {
    current_ = start;
    if (!tooDeep_) setError(error, missingCode);
    return false;
  }
  if (depth_ >= kMaxDepth) {
    tooDeep_ = true;
    current_ = start;
    setError(error, -15);
    return false;
  }
  return true;
}

bool CJSONScanner::scanJSONDictionary(platform::Value* value, platform::Error* error) {
  if (depth_ == 0) tooDeep_ = false;
  const std::size_t start = current_;
  auto fail = [&](int code) {
    current_ = start;
    if (!tooDeep_) setError(error, code);
    return false;
  };
  if (!openCollection('{', -1, start, error)) return false;
  DepthGuard guard(depth_);

  platform::Value::Dict dictionary;
  std::string key;
  while (peek() != '}') {
    skipWhitespace();
    if (peek() == '}') break;
    key.clear();
    if (!scanStringInto(key, error)) return fail(-2);
    skipWhitespace();
    if (!scanCharacter(':')) return fail(-3);
    platform::Value element;
    if (!scanJSONObject(&element, error)) return fail(-4);
    dictionary.set(std::move(key), std::move(element));
    skipWhitespace();
    if (scanCharacter(',')) {
      skipWhitespace();
      if (peek() == '}') break;
    } else {
      if (peek() == '}') break;
      return fail(-5);
    }
  }
  if (!scanCharacter('}')) return fail(-6);
  if (value) *value = platform::Value(std::move(dictionary));
  return true;
}

bool CJSONScanner::scanJSONArray(platform::Value* value, platform::Error* error) {
  if (depth_ == 0) tooDeep_ = false;
  const std::size_t start = current_;
  auto fail = [&](int code) {
    current_ = start;
    if (!tooDeep_) setError(error, code);
    return false;
  };
  if (!openCollection('[', -7, start, error)) return false;
  DepthGuard guard(depth_);

  platform::Value::Array array;
  skipWhitespace();
  while (peek() != ']') {
    array.emplace_back();
    if (!scanJSONObject(&array.back(), error)) return fail(-8);
    skipWhitespace();
    const bool comma = scanCharacter(',');
    skipWhitespace();
    if (comma) continue;
    if (peek() == ']') break;
    return fail(-9);
  }
  skipWhitespace();
  if (!scanCharacter(']')) return fail(-10);
  if (value) *value = platform::Value(std::move(array));
  return true;
}

bool CJSONScanner::scanJSONStringConstant(platform::Value* value, platform::Error* error) {
  std::string text;
  if (!scanStringInto(text, error)) return false;
  if (value) *value = platform::Value(std::move(text));
  return true;
}

bool CJSONScanner::scanJSONNumberConstant(platform::Value* value, platform::Error* error) {
  if (scanNumber(value)) return true;
  setError(error, -14);
  return false;
}

bool CJSONScanner::scanNotQuoteCharactersIntoString(std::string* into) {
  const std::size_t start = current_;
  std::string text;
  appendUnquotedRun(text);
  if (current_ == start) return false;
  if (into) *into = std::move(text);
  return true;
}

// [SECTION] Strings

bool CJSONScanner::scanStringInto(std::string& out, platform::Error* error) {
  const std::size_t start = current_;
  auto fail = [&](int code) {
    current_ = start;
    setError(error, code);
    return false;
  };
  skipWhitespace();
  if (!scanCharacter('"')) return fail(-11);
  for (;;) {
    int c = peek();
    if (c == '"') {
      ++current_;
      return true;
    }
    // The end of input inside a string: it was never closed.
    if (c < 0) return fail(-11);
    if (c != '\\') {
      appendUnquotedRun(out);
      if (peek() != '\\') continue;
    }
    ++current_;  // the backslash
    const int escape = peek();
    if (escape < 0) return fail(-13);
    ++current_;
    switch (escape) {
      case '"':
      case '\\':
      case '/': out.push_back(static_cast<char>(escape)); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'u': {
        uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
          const int digit = hexDigitValue(peek());
          if (digit < 0) return fail(-12);
          unit = unit << 4 | static_cast<uint32_t>(digit);
          ++current_;
        }
        appendCodeUnit(out, unit);
        break;
      }
      default: return fail(-13);
    }
  }
}

void CJSONScanner::appendUnquotedRun(std::string& out) {
  const uint8_t* bytes = data_.data();
  const std::size_t size = data_.size();
  std::size_t i = current_;
  std::size_t copyFrom = i;  // start of the pending run of bytes kept as they are
  auto flush = [&](std::size_t upTo) {
    out.append(reinterpret_cast<const char*>(bytes + copyFrom), upTo - copyFrom);
  };
  auto isContinuation = [&](std::size_t at, uint8_t low, uint8_t high) {
    return at < size && bytes[at] >= low && bytes[at] <= high;
  };
  while (i < size) {
    const uint8_t b = bytes[i];
    if (b < 0x80) {
      if (b == '"' || b == '\\') break;
      ++i;
      continue;
    }
    // Length of the valid prefix of the sequence starting at i, and the
    // length the sequence needs.
    std::size_t needed = 0;
    uint8_t secondLow = 0x80, secondHigh = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      needed = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      needed = 3;
      if (b == 0xE0) secondLow = 0xA0;
    } else if (b >= 0xF0 && b <= 0xF4) {
      needed = 4;
      if (b == 0xF0) secondLow = 0x90;
      if (b == 0xF4) secondHigh = 0x8F;
    }
    std::size_t valid = needed == 0 ? 0 : 1;
    if (needed > 1 && isContinuation(i + 1, secondLow, secondHigh)) {
      valid = 2;
      while (valid < needed && isContinuation(i + valid, 0x80, 0xBF)) ++valid;
    }
    if (needed != 0 && valid == needed) {
      if (b == 0xED && bytes[i + 1] >= 0xA0) {
        // An encoded surrogate: goes through the code-unit path so a pair
        // written as two sequences joins into one character.
        flush(i);
        appendCodeUnit(out, 0xD000 | ((bytes[i + 1] & 0x3Fu) << 6) | (bytes[i + 2] & 0x3Fu));
        i += 3;
        copyFrom = i;
      } else {
        i += needed;
      }
      continue;
    }
    flush(i);
    appendUtf8(out, kReplacementCharacter);
    i += valid == 0 ? 1 : valid;
    copyFrom = i;
  }
  flush(i);
  current_ = i;
}

}  // namespace json
