#pragma once
// OperationQueue: runs operations one after another, in the order added, on
// one background thread of its own.

#include <cstddef>
#include <functional>
#include <memory>

namespace platform {

/// Runs operations one after another, in the order added, on one background
/// thread of its own.
///
/// The thread starts with the first operation and stays until the queue is
/// destroyed. Each operation runs inside its own autorelease pool, so objects
/// it autoreleases are released on the worker before the next one starts.
///
/// Destruction drains: the destructor waits for every queued operation to run,
/// then joins the thread, so nothing is lost or leaked at shutdown. The one
/// exception is a queue destroyed by one of its own operations (its owner's
/// last reference was dropped there): the thread cannot join itself, so it is
/// left to finish the operations still queued and end on its own.
///
/// Threads: every member may be called from any thread.
/// Cost: addOperation moves the callable into a deque under a lock and wakes
/// the worker; no thread is made per operation.
class OperationQueue {
 public:
  OperationQueue();
  /// dealloc: waits for every queued operation, then joins the worker.
  ~OperationQueue();
  OperationQueue(const OperationQueue&) = delete;
  OperationQueue& operator=(const OperationQueue&) = delete;

  /// Queues `operation` to run after the ones already queued. An empty
  /// function is ignored.
  void addOperation(std::function<void()> operation);
  /// Blocks until every operation queued so far has finished. From inside an
  /// operation of this queue it returns at once (waiting would never end).
  void waitUntilAllOperationsAreFinished();
  /// Operations queued or running.
  std::size_t operationCount() const;
  /// True on this queue's worker thread.
  bool isWorkerThread() const;

 private:
  struct State;
  static void runWorker(std::shared_ptr<State> state);

  std::shared_ptr<State> state_;
};

}  // namespace platform
