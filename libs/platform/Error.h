#pragma once
// An error reported through an out-parameter: a domain naming the subsystem,
// a signed code within it and a readable description.

#include <string>

namespace platform {

/// An error reported through an out-parameter: a domain naming the subsystem, a
/// signed code within it and a readable description.
struct Error {
  /// "CJSONScannerErrorDomain", "URLConnectionErrorDomain", ...
  std::string domain;
  /// Meaningful within the domain; 0 by default.
  int code = 0;
  /// Human-readable text; may be empty.
  std::string description;
};

}  // namespace platform
