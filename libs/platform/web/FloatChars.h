#pragma once
// Floating-point text conversion for the web build, whose C++ library
// (libc++ 13) lacks the floating-point std::to_chars and std::from_chars.
// Same contracts: shortest text that reads back exactly; parsing in the
// "general" format, leaving the value untouched when it is out of range.

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace platform::web {

template <typename Real>
std::to_chars_result toChars(char* first, char* last, Real value) {
  char text[40];
  int length = 0;
  for (int precision = 1; precision <= 17; ++precision) {
    length = std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
    if (static_cast<Real>(std::strtod(text, nullptr)) == value || std::isnan(value)) break;
  }
  if (length < 0 || length > last - first) return {last, std::errc::value_too_large};
  std::memcpy(first, text, static_cast<std::size_t>(length));
  return {first + length, std::errc()};
}

inline std::from_chars_result fromChars(const char* first, const char* last, double& value) {
  // Only what std::from_chars takes: an optional minus, then digits with an
  // optional point and exponent, or "inf", "infinity", "nan" in any case; no
  // spaces, plus signs or hexadecimal ("0x1p3" reads as 0, as there).
  const char* start = first;
  if (start != last && *start == '-') ++start;
  if (start == last) return {first, std::errc::invalid_argument};
  const char lead = *start;
  const bool number = std::isdigit(static_cast<unsigned char>(lead)) || lead == '.';
  const bool word = lead == 'i' || lead == 'I' || lead == 'n' || lead == 'N';
  if (!number && !word) return {first, std::errc::invalid_argument};
  const bool hexadecimal = start + 1 < last && start[0] == '0' && (start[1] == 'x' || start[1] == 'X');
  const std::string copy(first, hexadecimal ? start + 1 : last);
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return {first, std::errc::invalid_argument};
  const char* stop = first + (end - copy.c_str());
  // strtod reports a subnormal result as a range error too; from_chars only
  // overflow to infinity and underflow to zero.
  const bool subnormal = std::isfinite(parsed) && parsed != 0;
  if (errno == ERANGE && !subnormal) return {stop, std::errc::result_out_of_range};
  value = parsed;
  return {stop, std::errc()};
}

}  // namespace platform::web
