// Reads arbitrary bytes as JSON. Whatever is read is written back, and the
// text written must read again into a document that writes the same text:
// the reader and the writer agree on every value the reader can produce.
// Documents holding an infinite number (read from "1e999") are only written,
// since the writer's "inf" is no JSON.

#include "json/CJSONDeserializer.h"
#include "json/CJSONSerializer.h"
#include "platform/AutoreleasePool.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

bool allFinite(const platform::Value& value) {
  if (value.isReal()) return std::isfinite(value.doubleValue());
  if (value.isArray()) {
    for (const platform::Value& element : value.asArray()) {
      if (!allFinite(element)) return false;
    }
  }
  if (value.isDict()) {
    for (const auto& entry : value.asDict()) {
      if (!allFinite(entry.value)) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::AutoreleasePool pool;
  json::CJSONDeserializer* deserializer = json::CJSONDeserializer::deserializer();
  platform::Error error;
  const auto value = deserializer->deserialize(std::span(data, size), &error);
  (void)deserializer->deserializeAsDictionary(std::span(data, size), &error);
  if (!value) return 0;
  const std::string text = json::CJSONSerializer::serializer()->serializeObject(*value);
  if (!allFinite(*value)) return 0;
  const auto again = deserializer->deserialize(text, &error);
  if (!again) std::abort();
  if (json::CJSONSerializer::serializer()->serializeObject(*again) != text) std::abort();
  return 0;
}
