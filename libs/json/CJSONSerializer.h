#pragma once
// CJSONSerializer: platform::Value to JSON text, without white space.

#include "platform/Object.h"
#include "platform/Value.h"

#include <string>
#include <string_view>

namespace json {

/// Writes platform::Value as JSON text, without white space.
///
/// By kind: null "null"; bool "true"/"false"; integers in decimal; reals as
/// the shortest text that reads back the same ("0.5", "1", "1e+20"; not a
/// number and infinities as "nan", "inf", "-inf", which no JSON reader
/// accepts); strings quoted with backslash, double quote, "/", and the
/// backspace, form feed, line feed, carriage return and tab characters
/// escaped by letter, the other control characters as `\u00XX`, every other
/// byte written as it is; arrays "[a,b]"; dictionaries
/// "{"k":v}" in key order; data as its bytes read as UTF-8 text.
///
/// Raises (platform::Exception, "NSGenericException") "Cannot serialize data
/// of type 'ClassName'" for an object value and "Could not serialize object
/// '...'" for data that is not UTF-8 text; nothing is returned then.
///
/// Cost: one output string grown by appending; no other allocation.
class CJSONSerializer : public platform::Object {
  PLATFORM_CLASS(CJSONSerializer, platform::Object)
 public:
  /// An autoreleased serializer (it holds no state).
  static CJSONSerializer* serializer();

  /// The JSON text of `value`: see the class comment.
  /// \param value the value to write; it must hold no object values.
  std::string serializeObject(const platform::Value& value);
  std::string serializeNull();
  /// Bool, integer or real (other kinds serialize as their number text, "").
  /// \param number a bool, integer or real value.
  std::string serializeNumber(const platform::Value& number);
  /// `text` quoted and escaped.
  /// \param text UTF-8 text.
  std::string serializeString(std::string_view text);
  /// "[a,b]" of the elements.
  /// \param array the elements to write.
  std::string serializeArray(const platform::Value::Array& array);
  /// "{"k":v}" of the entries, in key order.
  /// \param dictionary the entries to write, in key order.
  std::string serializeDictionary(const platform::Value::Dict& dictionary);

  /// Appends the text of `value` to `out` (the core of the operations above).
  /// \param out the text to append to.
  /// \param value the value to write; it must hold no object values.
  static void appendObject(std::string& out, const platform::Value& value);
  /// Appends the text of `array` to `out`.
  /// \param out the text to append to.
  /// \param array the elements to write.
  static void appendArray(std::string& out, const platform::Value::Array& array);
  /// Appends the text of `dictionary` to `out`.
  /// \param out the text to append to.
  /// \param dictionary the entries to write, in key order.
  static void appendDictionary(std::string& out, const platform::Value::Dict& dictionary);

  CJSONSerializer() = default;

 protected:
  ~CJSONSerializer() override = default;
};

}  // namespace json
