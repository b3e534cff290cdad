#pragma once
// Per-thread autorelease pools.

#include <cstddef>

namespace platform {

class Object;

/// A scope that collects autoreleased objects of the calling thread and
/// releases each once per autorelease() call, newest first, when it ends.
/// Pools nest; an object goes to the innermost open pool. The run loop opens
/// one around every callback; worker threads open their own.
class AutoreleasePool {
 public:
  /// Opens a pool on this thread.
  AutoreleasePool() : mark_(push()) {}
  /// Drains and closes it (and any pool opened after it and still open).
  ~AutoreleasePool() { pop(mark_); }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

  /// Opens a pool that is not tied to a C++ scope. Returns its token.
  static std::size_t push();
  /// Drains and closes the pool `token` and every pool opened after it.
  /// \param token what push() returned.
  static void pop(std::size_t token);
  /// Queues one release of `object` in the innermost pool. With no pool open
  /// the object is leaked and a warning logged, as the platform does.
  /// \param object the object to release later.
  static void add(Object* object);
  /// Number of pools open on this thread.
  static std::size_t depth();
  /// Releases pending in all pools of this thread.
  static std::size_t pendingCount();

 private:
  std::size_t mark_;
};

}  // namespace platform
