#include "json/CJSONDeserializer.h"

#include "json/CJSONScanner.h"
#include "platform/Ref.h"

namespace json {

namespace {

bool reportNoData(std::span<const uint8_t> bytes, platform::Error* error) {
  if (!bytes.empty()) return false;
  if (error) *error = platform::Error{kCJSONDeserializerErrorDomain, -1, ""};
  return true;
}

std::span<const uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The scanner is owned here rather than autoreleased, so reading needs no
// open autorelease pool.
platform::Ref<CJSONScanner> makeScanner(std::span<const uint8_t> bytes) {
  auto scanner = platform::Ref<CJSONScanner>::adopt(new CJSONScanner());
  scanner->setData(bytes);
  return scanner;
}

}  // namespace

CJSONDeserializer* CJSONDeserializer::deserializer() {
  return platform::autoreleased(new CJSONDeserializer());
}

std::optional<platform::Value> CJSONDeserializer::deserialize(std::span<const uint8_t> bytes,
                                                              platform::Error* error) {
  if (reportNoData(bytes, error)) return std::nullopt;
  auto scanner = makeScanner(bytes);
  platform::Value value;
  if (!scanner->scanJSONObject(&value, error)) return std::nullopt;
  return value;
}

std::optional<platform::Value> CJSONDeserializer::deserialize(std::string_view bytes, platform::Error* error) {
  return deserialize(bytesOf(bytes), error);
}

std::optional<platform::Value> CJSONDeserializer::deserializeAsDictionary(std::span<const uint8_t> bytes,
                                                                          platform::Error* error) {
  if (reportNoData(bytes, error)) return std::nullopt;
  auto scanner = makeScanner(bytes);
  // Leading white space is valid JSON before the opening brace.
  scanner->skipWhitespace();
  platform::Value value;
  if (!scanner->scanJSONDictionary(&value, error)) return std::nullopt;
  return value;
}

std::optional<platform::Value> CJSONDeserializer::deserializeAsDictionary(std::string_view bytes,
                                                                          platform::Error* error) {
  return deserializeAsDictionary(bytesOf(bytes), error);
}

std::optional<platform::Value> dictionaryWithJSONData(std::span<const uint8_t> bytes, platform::Error* error) {
  auto deserializer = platform::Ref<CJSONDeserializer>::adopt(new CJSONDeserializer());
  return deserializer->deserialize(bytes, error);
}

}  // namespace json
