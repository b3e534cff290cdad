#include "json/CJSONSerializer.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/FloatChars.h"
#endif

#include "platform/Exception.h"
#include "platform/StringUtils.h"

#include <charconv>

namespace json {

namespace {

// The byte each escaped character is written as after its backslash, or 0.
constexpr char escapeLetter(unsigned char c) {
  switch (c) {
    case '\\': return '\\';
    case '"': return '"';
    case '/': return '/';
    case '\b': return 'b';
    case '\f': return 'f';
    case '\n': return 'n';
    case '\r': return 'r';
    case '\t': return 't';
    default: return 0;
  }
}

void appendString(std::string& out, std::string_view text) {
  out.push_back('"');
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const char letter = escapeLetter(byte);
    if (letter == 0 && byte >= 0x20) continue;
    out.append(text.data() + runStart, i - runStart);
    if (letter != 0) {
      out.push_back('\\');
      out.push_back(letter);
    } else {
      // Other control characters as \u00XX: raw ones are not JSON, and a
      // leading NUL would make readers take the text for UTF-16 or UTF-32.
      static constexpr char kHex[] = "0123456789abcdef";
      const char escaped[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
      out.append(escaped, sizeof escaped);
    }
    runStart = i + 1;
  }
  out.append(text.data() + runStart, text.size() - runStart);
  out.push_back('"');
}

void appendNumber(std::string& out, const platform::Value& number) {
  char buffer[64];
  switch (number.kind()) {
    case platform::Value::Kind::Bool: out.append(number.boolValue() ? "true" : "false"); return;
    case platform::Value::Kind::Integer: {
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, number.longLongValue());
      out.append(buffer, result.ptr);
      return;
    }
    case platform::Value::Kind::Real: {
#ifdef __EMSCRIPTEN__
      const auto result = platform::web::toChars(buffer, buffer + sizeof buffer, number.doubleValue());
#else
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, number.doubleValue());
#endif
      out.append(buffer, result.ptr);
      return;
    }
    default: return;
  }
}

/// Whether `bytes` is UTF-8 text (encoded surrogates allowed, as the
/// platform's strings keep them).
bool isUtf8(const platform::Value::Data& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::u16string units = platform::utf8ToUtf16(text);
  return platform::utf16ToUtf8(units) == text;
}

}  // namespace

CJSONSerializer* CJSONSerializer::serializer() { return platform::autoreleased(new CJSONSerializer()); }

void CJSONSerializer::appendObject(std::string& out, const platform::Value& value) {
  using Kind = platform::Value::Kind;
  switch (value.kind()) {
    case Kind::Null: out.append("null"); return;
    case Kind::Bool:
    case Kind::Integer:
    case Kind::Real: appendNumber(out, value); return;
    case Kind::String: appendString(out, value.asString()); return;
    case Kind::Array: appendArray(out, value.asArray()); return;
    case Kind::Dictionary: appendDictionary(out, value.asDict()); return;
    case Kind::Data: {
      const platform::Value::Data& bytes = value.asData();
      if (!isUtf8(bytes)) {
        throw platform::Exception(platform::kGenericException,
                                  "Could not serialize object '" + value.description() + "'");
      }
      appendString(out, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      return;
    }
    case Kind::Object:
      throw platform::Exception(platform::kGenericException, std::string("Cannot serialize data of type '") +
                                                                 value.asObject()->className() + "'");
  }
}

void CJSONSerializer::appendArray(std::string& out, const platform::Value::Array& array) {
  out.push_back('[');
  bool first = true;
  for (const platform::Value& element : array) {
    if (!first) out.push_back(',');
    first = false;
    appendObject(out, element);
  }
  out.push_back(']');
}

void CJSONSerializer::appendDictionary(std::string& out, const platform::Value::Dict& dictionary) {
  out.push_back('{');
  bool first = true;
  for (const auto& entry : dictionary) {
    if (!first) out.push_back(',');
    first = false;
    appendString(out, entry.key);
    out.push_back(':');
    appendObject(out, entry.value);
  }
  out.push_back('}');
}

std::string CJSONSerializer::serializeObject(const platform::Value& value) {
  std::string out;
  appendObject(out, value);
  return out;
}

std::string CJSONSerializer::serializeNull() { return "null"; }

std::string CJSONSerializer::serializeNumber(const platform::Value& number) {
  std::string out;
  appendNumber(out, number);
  return out;
}

std::string CJSONSerializer::serializeString(std::string_view text) {
  std::string out;
  appendString(out, text);
  return out;
}

std::string CJSONSerializer::serializeArray(const platform::Value::Array& array) {
  std::string out;
  appendArray(out, array);
  return out;
}

std::string CJSONSerializer::serializeDictionary(const platform::Value::Dict& dictionary) {
  std::string out;
  appendDictionary(out, dictionary);
  return out;
}

}  // namespace json
