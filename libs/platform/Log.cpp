#include "platform/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

namespace {

std::mutex& sinkMutex() {
  static std::mutex* m = new std::mutex();
  return *m;
}

LogSink& currentSink() {
  static LogSink* sink = new LogSink();
  return *sink;
}

}  // namespace

LogSink setLogSink(LogSink sink) {
  std::lock_guard lock(sinkMutex());
  LogSink previous = std::move(currentSink());
  currentSink() = std::move(sink);
  return previous;
}

void log(const char* format, ...) {
  char stackBuffer[512];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, args);
  va_end(args);
  std::string line;
  if (length < 0) {
    line = format;
  } else if (static_cast<std::size_t>(length) < sizeof stackBuffer) {
    line.assign(stackBuffer, static_cast<std::size_t>(length));
  } else {
    std::vector<char> big(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(big.data(), big.size(), format, copy);
    line.assign(big.data(), static_cast<std::size_t>(length));
  }
  va_end(copy);

  std::lock_guard lock(sinkMutex());
  if (currentSink()) {
    currentSink()(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

}  // namespace platform
