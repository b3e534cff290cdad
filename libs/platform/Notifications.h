#pragma once
// A synchronous notification centre: observers register for a name and are
// called on the posting thread, in registration order, before post() returns.

#include "platform/Object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

/// The application lost focus (posted after the delegate's callback).
inline constexpr const char* kApplicationWillResignActiveNotification =
    "UIApplicationWillResignActiveNotification";
/// The application became active (posted after the delegate's callback).
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "UIApplicationDidBecomeActiveNotification";
/// The application is about to end (posted after the delegate's callback).
inline constexpr const char* kApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";

/// What an observer receives: the name posted and its sender.
struct Notification {
  std::string name;
  /// The object that posted it, or nullptr. Not retained.
  Object* sender = nullptr;
};

/// A synchronous notification centre: observers register for a name and are
/// called on the posting thread, in registration order, before post() returns.
///
/// Observers may add or remove observers while a post is running: one removed
/// during a post is not called afterwards; one added during a post is first
/// called by the next post. Any thread may post, add or remove.
class NotificationCenter {
 public:
  using Observer = std::function<void(const Notification&)>;
  /// Identifies one registration; 0 is never used.
  using Token = std::uint64_t;

  /// The process-wide centre.
  static NotificationCenter& defaultCenter();

  /// Calls `observer` for every post of `name` (an empty name: every post).
  /// `owner` groups registrations for removeObserver(owner) and may be null.
  Token addObserver(const void* owner, std::string name, Observer observer);
  /// Removes one registration. Unknown tokens are ignored.
  void removeObserver(Token token);
  /// Removes every registration of `owner`.
  void removeObserver(const void* owner);
  /// Removes the registrations of `owner` for `name`.
  void removeObserver(const void* owner, const std::string& name);

  /// Calls the observers of `name` now, on this thread.
  void post(const std::string& name, Object* sender = nullptr);

 private:
  struct Registration {
    Token token = 0;
    const void* owner = nullptr;
    std::string name;
    Observer observer;
    bool removed = false;  // guarded by mutex_
  };

  std::mutex mutex_;
  std::vector<std::shared_ptr<Registration>> registrations_;
  Token nextToken_ = 1;
};

}  // namespace platform
