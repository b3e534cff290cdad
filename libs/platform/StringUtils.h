#pragma once
// String helpers with the platform's string semantics: numeric parsing that
// never fails, UTF-8 <-> UTF-16 conversion that loses nothing, path
// manipulation, and a few everyday text operations.
//
// Text is UTF-8 in std::string / std::string_view throughout; UTF-16 appears
// only where code-unit lengths and indices matter (std::u16string).
// Everything here is locale independent (C locale) and allocation is limited
// to the returned strings.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// [SECTION] Numbers from text
//
// All parsers skip leading ASCII white space (space, \t, \n, \v, \f, \r),
// accept an optional '+' or '-', read the longest valid prefix and ignore the
// rest. Text without a number gives 0. Hexadecimal is not recognised ("0x1A"
// reads as 0), nor are "inf" and "nan".

/// Decimal integer, saturated at INT32_MIN / INT32_MAX. " -12abc" gives -12.
int32_t intValue(std::string_view text);
/// Decimal integer, saturated at INT64_MIN / INT64_MAX.
int64_t longLongValue(std::string_view text);
/// Decimal number (digits, optional fraction, optional exponent): "  1e" gives
/// 1, "1.5e3" gives 1500. Too large a number gives +/-infinity, too small 0.
double doubleValue(std::string_view text);
/// doubleValue() rounded to float.
float floatValue(std::string_view text);
/// After white space, an optional sign and any leading zeros: true when the
/// next character is Y, y, T, t or a digit 1-9 ("YES", "true", "-007").
bool boolValue(std::string_view text);

/// Reads one decimal number (optional sign, digits, fraction, exponent) at
/// the very start of `text`, without skipping white space. Returns how many
/// characters it used and stores the number in `value`; returns 0 and leaves
/// `value` alone when `text` does not start with a number.
std::size_t parseDecimalPrefix(std::string_view text, double& value);

// [SECTION] UTF-8 and UTF-16

/// Decodes UTF-8 to UTF-16 code units. Each invalid byte sequence (stray
/// continuation bytes, overlong forms, truncated sequences, values above
/// U+10FFFF) becomes one U+FFFD per maximal invalid part. Encoded surrogates
/// (ED A0 80 ... ED BF BF, generalized UTF-8) pass through as single code
/// units, so utf16ToUtf8 output always decodes back to the same units.
std::u16string utf8ToUtf16(std::string_view utf8);
/// Encodes UTF-16 code units as UTF-8. A valid surrogate pair becomes one
/// 4-byte sequence; a lone surrogate becomes its own 3-byte sequence
/// (generalized UTF-8), so nothing is lost.
std::string utf16ToUtf8(std::u16string_view utf16);

// [SECTION] Paths ('/'-separated, never touching the file system)

/// The last component; trailing slashes are ignored. "/a/b.png" gives
/// "b.png", "/tmp/" gives "tmp", "/" gives "/", "" gives "".
std::string lastPathComponent(std::string_view path);
/// Everything before the last component, without trailing slashes. "/a/b"
/// gives "/a", "/a" gives "/", "a" gives "", "/" gives "/".
std::string stringByDeletingLastPathComponent(std::string_view path);
/// The text after the last '.' of the last component, or "" when it has none.
/// A leading dot does not start an extension: ".profile" gives "".
/// "a/b.png" gives "png", "a.tar.gz" gives "gz", "a/b" gives "".
std::string pathExtension(std::string_view path);
/// The path without its extension and the dot before it, and without
/// trailing slashes. "a/b.png" gives "a/b", "/" stays "/".
std::string stringByDeletingPathExtension(std::string_view path);
/// `path` and `component` joined by one '/'. Repeated slashes collapse and a
/// trailing slash is dropped (a lone "/" stays). "/tmp/" + "x" gives
/// "/tmp/x", "" + "x" gives "x".
std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);
/// `path` (without trailing slashes) + "." + `extension`. "a" + "png" gives
/// "a.png". An empty extension, an empty path or "/" leave the path as it is
/// (trailing slashes dropped).
std::string stringByAppendingPathExtension(std::string_view path, std::string_view extension);

// [SECTION] Everyday text operations

bool hasPrefix(std::string_view text, std::string_view prefix);
bool hasSuffix(std::string_view text, std::string_view suffix);
/// The pieces between occurrences of `separator`, empty pieces included:
/// "a,,b" gives {"a", "", "b"}, "" gives {""}. An empty separator gives
/// {text}.
std::vector<std::string> split(std::string_view text, std::string_view separator);
/// `text` with every non-overlapping occurrence of `target`, scanning left to
/// right, replaced by `replacement`. An empty target changes nothing.
std::string replaceAll(std::string_view text, std::string_view target, std::string_view replacement);
/// `text` without leading and trailing ASCII white space.
std::string trim(std::string_view text);

/// Compares dot-separated version numbers component by component as
/// integers; a missing component counts as 0 ("3.1" equals "3.1.0", "3.10"
/// is after "3.9"). Returns -1, 0 or 1.
int compareVersions(std::string_view lhs, std::string_view rhs);

/// printf-style formatting into a std::string, always in the C locale (the
/// decimal point is '.' whatever the process locale is).
[[gnu::format(printf, 1, 2)]] std::string formatString(const char* format, ...);
/// formatString with a va_list (which it consumes).
std::string formatStringV(const char* format, va_list args);

}  // namespace platform
