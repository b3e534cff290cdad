#pragma once
// The log: one replaceable sink, standard error by default.

#include <functional>
#include <string_view>

namespace platform {

/// Receives one log line, without its trailing newline.
using LogSink = std::function<void(std::string_view line)>;

/// Installs `sink` (an empty function restores standard error). Returns the
/// previous sink.
LogSink setLogSink(LogSink sink);

/// Formats one line printf-style and hands it to the sink.
[[gnu::format(printf, 1, 2)]] void log(const char* format, ...);

}  // namespace platform

/// The engine's log macro: CCLOG("tessera: ...", args).
#define CCLOG(...) ::platform::log(__VA_ARGS__)
