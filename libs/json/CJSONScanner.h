#pragma once
// CJSONScanner: reads JSON values at the cursor of a CDataScanner into
// platform::Value: objects become dictionaries (file order kept, a repeated
// key replaces the earlier value in place), arrays arrays, strings UTF-8
// strings, numbers reals, true/false bools and null the null value.

#include "json/CDataScanner.h"
#include "platform/Error.h"

namespace json {

inline constexpr const char* kCJSONScannerErrorDomain = "CJSONScannerErrorDomain";

/// Reads JSON values at the cursor of a CDataScanner into platform::Value:
/// objects become dictionaries (file order kept, a repeated key replaces the
/// earlier value in place), arrays arrays, strings UTF-8 strings, numbers reals,
/// true/false bools and null the null value.
///
/// Lenient where the format is strict: trailing commas in arrays and
/// objects are accepted, numbers are the longest run of number characters
/// read by their longest valid prefix ("1-2" reads as 1), raw control
/// characters inside strings are kept. "\u" escapes give UTF-16 code units:
/// a surrogate pair becomes one character, a lone surrogate is kept as its
/// own 3-byte sequence (generalized UTF-8). Invalid UTF-8 inside a string is
/// replaced by U+FFFD.
///
/// Input in UTF-16 or UTF-32 (either byte order), recognised from the zero
/// bytes among the first four, is converted to UTF-8 when the data is set.
///
/// Failures return false with an error in "CJSONScannerErrorDomain" (codes
/// -1 to -14 below) and put the cursor back where the failing construct
/// began. An error inside an element is reported as the enclosing
/// collection's own error, except nesting deeper than kMaxDepth, which is
/// reported as -15 all the way out.
///
/// Cost: recursion depth is bounded by kMaxDepth; each value is built in
/// place and moved into its parent.
class CJSONScanner : public CDataScanner {
  PLATFORM_CLASS(CJSONScanner, CDataScanner)
 public:
  /// Arrays and objects nested deeper than this fail with code -15.
  static constexpr int kMaxDepth = 512;

  static CJSONScanner* scannerWithData(std::span<const uint8_t> bytes);
  static CJSONScanner* scannerWithData(std::string_view bytes);

  /// As CDataScanner::setData, converting UTF-16 and UTF-32 input to UTF-8.
  void setData(std::span<const uint8_t> bytes) override;

  // Each stores the value in `value` and, on failure, the error in `error`
  // (either may be null).

  /// After white space: an object, array, string, number, true, false or
  /// null, chosen by the first byte. A literal that does not match or any
  /// other byte fails without an error of its own.
  bool scanJSONObject(platform::Value* value, platform::Error* error);
  bool scanJSONDictionary(platform::Value* value, platform::Error* error);
  bool scanJSONArray(platform::Value* value, platform::Error* error);
  bool scanJSONStringConstant(platform::Value* value, platform::Error* error);
  bool scanJSONNumberConstant(platform::Value* value, platform::Error* error);
  /// The run of bytes up to the next double quote or backslash (or the end),
  /// as UTF-8 text; false when there is none.
  bool scanNotQuoteCharactersIntoString(std::string* into);

  CJSONScanner() = default;

 protected:
  ~CJSONScanner() override = default;

 private:
  bool scanStringInto(std::string& out, platform::Error* error);
  /// Appends the run up to a quote or backslash, replacing invalid UTF-8.
  void appendUnquotedRun(std::string& out);
  /// Consumes the `opening` bracket of an array or dictionary within the
  /// nesting limit. On failure the cursor is back at `start` and the error is
  /// `missingCode` (no bracket) or -15 (too deep).
  bool openCollection(char opening, int missingCode, std::size_t start, platform::Error* error);

  int depth_ = 0;
  /// Set when the depth limit was hit, so the enclosing collections pass
  /// the -15 error on instead of replacing it.
  bool tooDeep_ = false;
};

}  // namespace json
