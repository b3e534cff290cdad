// The background operation queue: order, one worker thread apart from the
// caller, draining on destruction, pools per operation, and a queue that an
// operation destroys.

#include "platform/OperationQueue.h"

#include "platform/AutoreleasePool.h"
#include "platform/Object.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {

using platform::OperationQueue;

// Counts live instances, to see when autoreleased ones go.
class Counted : public platform::Object {
  PLATFORM_CLASS(Counted, platform::Object)
 public:
  explicit Counted(std::atomic<int>* live) : live_(live) { ++*live_; }
  ~Counted() override { --*live_; }

 private:
  std::atomic<int>* live_;
};

TEST(OperationQueueTest, RunsOperationsInOrderOnOneWorkerThread) {
  std::vector<int> order;  // only the worker writes it
  std::set<std::thread::id> threads;
  OperationQueue queue;
  for (int i = 0; i < 100; ++i) {
    queue.addOperation([&, i] {
      order.push_back(i);
      threads.insert(std::this_thread::get_id());
    });
  }
  queue.addOperation(nullptr);  // ignored
  queue.addOperation([&] { queue.waitUntilAllOperationsAreFinished(); });  // from inside: returns at once
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_EQ(queue.operationCount(), 0u);
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(OperationQueueTest, DestructionRunsEveryQueuedOperationEachInItsOwnPool) {
  std::atomic<int> done{0};
  std::atomic<int> live{0};
  int liveAtSecond = -1;
  {
    OperationQueue queue;
    queue.addOperation([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      (new Counted(&live))->autorelease();
      ++done;
    });
    queue.addOperation([&] { liveAtSecond = live.load(); });
    for (int i = 0; i < 10; ++i) queue.addOperation([&] { ++done; });
  }
  EXPECT_EQ(done.load(), 11);
  EXPECT_EQ(liveAtSecond, 0) << "released before the next operation started";
}

TEST(OperationQueueTest, QueueDestroyedByItsOwnOperationFinishesTheRest) {
  auto queue = std::make_shared<std::unique_ptr<OperationQueue>>(std::make_unique<OperationQueue>());
  std::atomic<int> done{0};
  std::atomic<bool> started{false};
  OperationQueue& q = **queue;
  q.addOperation([&] {
    while (!started.load()) std::this_thread::yield();
    queue->reset();  // the owner's last reference goes on the worker
    ++done;
  });
  q.addOperation([&] { ++done; });
  started = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (done.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(done.load(), 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the detached worker end
}

}  // namespace
