// Reads arbitrary bytes as a property list (XML, or binary when they start
// with "bplist00"). The reader must refuse bad data with std::nullopt, never
// crash, recurse without bound or read out of bounds. Whatever it accepts
// must survive being written as a binary list and read back unchanged.

#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/Value.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

// Reals that are not equal to themselves make the equality oracle useless.
bool holdsNaN(const platform::Value& value) {
  switch (value.kind()) {
    case platform::Value::Kind::Real:
      return std::isnan(value.doubleValue());
    case platform::Value::Kind::Array:
      for (const platform::Value& element : value.asArray()) {
        if (holdsNaN(element)) return true;
      }
      return false;
    case platform::Value::Kind::Dictionary:
      for (const auto& entry : value.asDict()) {
        if (holdsNaN(entry.value)) return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::optional<platform::Value> value = platform::readPropertyListData(std::span<const uint8_t>(data, size));
  if (!value) return 0;
  (void)value->description();

  std::optional<std::string> binary = platform::writePropertyList(*value, platform::PropertyListFormat::Binary);
  if (!binary) return 0;  // a string with an embedded NUL cannot be written
  std::optional<platform::Value> back = platform::readPropertyListData(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(binary->data()), binary->size()));
  if (!back) std::abort();
  if (!holdsNaN(*value) && !(*back == *value)) std::abort();
  return 0;
}
