#pragma once
// Always-on assertions (independent of NDEBUG).
//
// CCAssert(cond, fmt, ...) reports
//     *** Assertion failure in <function>(), <file>:<line>
//     <message>
// on standard error and aborts, through a handler that tests may replace. When
// a replacement handler returns, the code after the assertion runs on, so the
// documented fall-through ("asserts and returns nil") stays reachable.

namespace platform {

/// Receives a failed assertion. `file` is relative to the repository root.
using AssertionHandler = void (*)(const char* function, const char* file, int line,
                                  const char* message);

/// Installs `handler` (nullptr restores the default, which prints and aborts).
/// Returns the previous handler.
AssertionHandler setAssertionHandler(AssertionHandler handler);

/// The default handler: prints the report and aborts.
[[noreturn]] void defaultAssertionHandler(const char* function, const char* file, int line,
                                          const char* message);

[[gnu::format(printf, 4, 5)]] void assertionFailed(const char* function, const char* file, int line,
                                                   const char* format, ...);

/// A C-level assertion: prints the expression text and always aborts.
[[noreturn]] void hardAssertionFailed(const char* expression, const char* function,
                                      const char* file, int line);

}  // namespace platform

#define CCAssert(condition, ...)                                                \
  do {                                                                          \
    if (!(condition)) ::platform::assertionFailed(__func__, __FILE__, __LINE__, __VA_ARGS__); \
  } while (0)

#define CC_HARD_ASSERT(expression)                                              \
  do {                                                                          \
    if (!(expression))                                                          \
      ::platform::hardAssertionFailed(#expression, __func__, __FILE__, __LINE__); \
  } while (0)
