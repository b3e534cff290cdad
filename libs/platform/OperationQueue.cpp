#include "platform/OperationQueue.h"

#include "platform/AutoreleasePool.h"
#ifdef __EMSCRIPTEN__
#include "platform/RunLoop.h"
#endif

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {

// Shared by the queue and its worker, so a worker left to finish on its own
// (the queue destroyed from inside an operation) still has it.
struct OperationQueue::State {
  mutable std::mutex mutex;
  std::condition_variable workAvailable;
  std::condition_variable allFinished;
  std::deque<std::function<void()>> operations;
  bool running = false;   // an operation is executing
  bool stopping = false;  // the queue is gone: drain and end
  std::thread worker;
  std::thread::id workerId;
};

OperationQueue::OperationQueue() : state_(std::make_shared<State>()) {}

#ifdef __EMSCRIPTEN__
// The web build has no threads: operations run on the main loop, one per
// queued call, in the order they were added. The calls hold the state, so
// operations added before the queue is destroyed still run.

OperationQueue::~OperationQueue() { state_->stopping = true; }

void OperationQueue::addOperation(std::function<void()> operation) {
  if (!operation) return;
  state_->operations.push_back(std::move(operation));
  performOnMainThread([state = state_] { runWorker(state); }, false);
}

// Runs what is left now (the main thread is the only one).
void OperationQueue::waitUntilAllOperationsAreFinished() {
  if (state_->running) return;  // called from an operation: it cannot wait for itself
  while (!state_->operations.empty()) runWorker(state_);
}

std::size_t OperationQueue::operationCount() const {
  return state_->operations.size() + (state_->running ? 1 : 0);
}

// While one of this queue's operations runs.
bool OperationQueue::isWorkerThread() const { return state_->running; }

// Runs the oldest operation, if one is left.
void OperationQueue::runWorker(std::shared_ptr<State> state) {
  if (state->operations.empty() || state->running) return;
  std::function<void()> operation = std::move(state->operations.front());
  state->operations.pop_front();
  state->running = true;
  {
    AutoreleasePool pool;
    operation();
    operation = nullptr;
  }
  state->running = false;
}
#else

OperationQueue::~OperationQueue() {
  std::unique_lock lock(state_->mutex);
  state_->stopping = true;
  if (!state_->worker.joinable()) return;
  state_->workAvailable.notify_one();
  if (std::this_thread::get_id() == state_->workerId) {
    state_->worker.detach();
    return;
  }
  lock.unlock();
  state_->worker.join();
}

void OperationQueue::addOperation(std::function<void()> operation) {
  if (!operation) return;
  std::lock_guard lock(state_->mutex);
  state_->operations.push_back(std::move(operation));
  if (!state_->worker.joinable()) {
    state_->worker = std::thread(runWorker, state_);
    state_->workerId = state_->worker.get_id();
  }
  state_->workAvailable.notify_one();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
  std::unique_lock lock(state_->mutex);
  if (std::this_thread::get_id() == state_->workerId) return;
  state_->allFinished.wait(lock, [this] { return state_->operations.empty() && !state_->running; });
}

std::size_t OperationQueue::operationCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->operations.size() + (state_->running ? 1 : 0);
}

bool OperationQueue::isWorkerThread() const {
  std::lock_guard lock(state_->mutex);
  return std::this_thread::get_id() == state_->workerId;
}

// `state` is the worker's own reference: the queue may be destroyed while it runs.
void OperationQueue::runWorker(std::shared_ptr<State> state) {
  std::unique_lock lock(state->mutex);
  for (;;) {
    state->workAvailable.wait(lock, [&] { return !state->operations.empty() || state->stopping; });
    if (state->operations.empty()) break;
    std::function<void()> operation = std::move(state->operations.front());
    state->operations.pop_front();
    state->running = true;
    lock.unlock();
    {
      AutoreleasePool pool;
      operation();
      // Whatever the operation captured is released here, on the worker,
      // before the queue counts it as finished.
      operation = nullptr;
    }
    lock.lock();
    state->running = false;
    if (state->operations.empty()) state->allFinished.notify_all();
  }
}

#endif

}  // namespace platform
