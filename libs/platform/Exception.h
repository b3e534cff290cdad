#pragma once
// The exception every "raise" throws: a name and a reason.

#include <stdexcept>
#include <string>

namespace platform {

/// Raised for range errors ("NSRangeException"), internal inconsistencies
/// ("NSInternalInconsistencyException") and the engine's named exceptions.
/// what() returns the reason.
class Exception : public std::runtime_error {
 public:
  Exception(std::string name, const std::string& reason)
      : std::runtime_error(reason), name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  std::string reason() const { return what(); }

 private:
  std::string name_;
};

inline constexpr const char* kRangeException = "NSRangeException";
inline constexpr const char* kInternalInconsistencyException = "NSInternalInconsistencyException";
inline constexpr const char* kGenericException = "NSGenericException";

}  // namespace platform
