#pragma once
// CJSONDeserializer: JSON bytes to platform::Value, through CJSONScanner.

#include "platform/Error.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace json {

inline constexpr const char* kCJSONDeserializerErrorDomain = "CJSONDeserializerErrorDomain";

/// Reads JSON bytes into platform::Value, through CJSONScanner.
///
/// No data (or none at all) gives nothing and an error in
/// "CJSONDeserializerErrorDomain" with code -1 and no description. A value
/// that cannot be read gives nothing and the scanner's error (a top-level
/// literal or byte that starts no value leaves the error as it was). Bytes
/// after the first complete value are ignored.
class CJSONDeserializer : public platform::Object {
  PLATFORM_CLASS(CJSONDeserializer, platform::Object)
 public:
  /// An autoreleased deserializer (it holds no state).
  static CJSONDeserializer* deserializer();

  /// Any JSON value (a JSON null gives a null Value), or nothing on failure.
  /// \param bytes the JSON text (UTF-8, or UTF-16 or UTF-32 in either byte
  ///   order).
  /// \param error receives the error on failure, when not nullptr.
  std::optional<platform::Value> deserialize(std::span<const uint8_t> bytes, platform::Error* error = nullptr);
  /// As above, from a string of bytes.
  /// \param bytes the JSON text (UTF-8, or UTF-16 or UTF-32 in either byte
  ///   order).
  /// \param error receives the error on failure, when not nullptr.
  std::optional<platform::Value> deserialize(std::string_view bytes, platform::Error* error = nullptr);
  /// A dictionary, or nothing when the bytes (after white space) do not
  /// hold one.
  /// \param bytes the JSON text (UTF-8, or UTF-16 or UTF-32 in either byte
  ///   order).
  /// \param error receives the error on failure, when not nullptr.
  std::optional<platform::Value> deserializeAsDictionary(std::span<const uint8_t> bytes,
                                                         platform::Error* error = nullptr);
  /// As above, from a string of bytes.
  /// \param bytes the JSON text (UTF-8, or UTF-16 or UTF-32 in either byte
  ///   order).
  /// \param error receives the error on failure, when not nullptr.
  std::optional<platform::Value> deserializeAsDictionary(std::string_view bytes, platform::Error* error = nullptr);

  CJSONDeserializer() = default;

 protected:
  ~CJSONDeserializer() override = default;
};

/// The dictionary read from JSON bytes: CJSONDeserializer::deserialize, so
/// the result may be any JSON value.
/// \param bytes the JSON text (UTF-8, or UTF-16 or UTF-32 in either byte
///   order).
/// \param error receives the error on failure, when not nullptr.
std::optional<platform::Value> dictionaryWithJSONData(std::span<const uint8_t> bytes,
                                                      platform::Error* error = nullptr);

}  // namespace json
