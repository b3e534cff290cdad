#pragma once
// Helpers shared by the test suites.

#include <string>
#include <vector>

namespace testing_support {

/// While alive, failed CCAsserts are recorded instead of aborting, and the
/// code after the assertion runs on (the documented fall-through).
class AssertionRecorder {
 public:
  AssertionRecorder();
  ~AssertionRecorder();
  AssertionRecorder(const AssertionRecorder&) = delete;
  AssertionRecorder& operator=(const AssertionRecorder&) = delete;

  /// Messages of the assertions that failed, in order.
  const std::vector<std::string>& messages() const;
  /// Source files ("libs/tessera/CCNode.cpp") of the failed assertions, in order.
  const std::vector<std::string>& files() const;
  bool empty() const { return messages().empty(); }
  void clear();
};

/// While alive, log lines go to this object instead of standard error.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::vector<std::string>& lines() const { return lines_; }
  /// All lines joined with newlines.
  std::string text() const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace testing_support
