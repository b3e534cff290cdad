#pragma once
// A real HTTP server on a free local port for the network tests, and a
// helper that pumps the main run loop until a condition holds.

#include "platform/RunLoop.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testing_support {

class HTTPTestServer {
 public:
  HTTPTestServer() {
    // One request per connection, so stopping never waits for an idle client.
    server_.set_keep_alive_max_count(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    // The socket listens from here on; connections wait in its backlog
    // until the accept loop runs.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the accept loop runs would be lost: wait for it.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~HTTPTestServer() {
    release();
    server_.stop();
    thread_.join();
  }
  HTTPTestServer(const HTTPTestServer&) = delete;
  HTTPTestServer& operator=(const HTTPTestServer&) = delete;

  httplib::Server& server() { return server_; }
  int port() const { return port_; }
  /// "http://127.0.0.1:<port>" followed by `path`.
  std::string url(const std::string& path = "") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  /// Handlers that stall (for time-out tests) wait until this is called.
  void release() { released_ = true; }
  /// Blocks a handler until release() or `seconds` pass.
  void stall(double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!released_ && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::atomic<bool> released_{false};
  std::thread thread_;
};

/// Runs the main loop until `done()` holds or `seconds` of real time pass.
/// Returns `done()`.
inline bool runMainLoopUntil(const std::function<bool()>& done, double seconds = 20) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done() && std::chrono::steady_clock::now() < end) platform::RunLoop::main().runOnce(true);
  return done();
}

}  // namespace testing_support
