#include "platform/Assert.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

namespace {
std::atomic<AssertionHandler> g_handler{nullptr};
}

AssertionHandler setAssertionHandler(AssertionHandler handler) {
  return g_handler.exchange(handler);
}

void defaultAssertionHandler(const char* function, const char* file, int line,
                             const char* message) {
  std::fprintf(stderr, "*** Assertion failure in %s(), %s:%d\n%s\n", function, file, line, message);
  std::fflush(stderr);
  std::abort();
}

void assertionFailed(const char* function, const char* file, int line, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  AssertionHandler handler = g_handler.load();
  if (handler) {
    handler(function, file, line, buffer);
  } else {
    defaultAssertionHandler(function, file, line, buffer);
  }
}

void hardAssertionFailed(const char* expression, const char* function, const char* file,
                         int line) {
  std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", file, line, function, expression);
  std::fflush(stderr);
  std::abort();
}

}  // namespace platform
