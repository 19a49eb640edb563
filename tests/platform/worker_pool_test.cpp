// Tasks run in pooled worker threads: never one behind another, and in a thread that is
// already there when one is idle.
#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace zs::platform {
namespace {

// Counts tasks that have run; Wait returns once `count` have.
class TTally {
public:
  void Add(std::thread::id thread) {
    std::lock_guard lock(lock_);
    threads_.insert(thread);
    ++count_;
    changed_.notify_all();
  }
  void WaitFor(int count) {
    std::unique_lock lock(lock_);
    changed_.wait(lock, [&] { return count_ >= count; });
  }
  std::set<std::thread::id> Threads() {
    std::lock_guard lock(lock_);
    return threads_;
  }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::set<std::thread::id> threads_;
  int count_ = 0;
};

TEST(WorkerPool, BusyTasksEachGetAThreadAndLaterTasksReuseIdleOnes) {
  // Every task waits until all have started: one left waiting behind another would hang.
  constexpr int together = 24;
  // The tallies are shared: a task may still be leaving one after the test has moved on.
  auto started = std::make_shared<TTally>();
  for (int i = 0; i < together; ++i)
    RunInWorkerThread([started] {
      started->Add(std::this_thread::get_id());
      started->WaitFor(together);
    });
  started->WaitFor(together);
  std::set<std::thread::id> pool = started->Threads();
  EXPECT_EQ(pool.size(), size_t(together));

  // Once they are idle, tasks one after another run in them: no thread is started.
  while (IdleWorkerThreads() < together)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto serial = std::make_shared<TTally>();
  for (int i = 1; i <= together; ++i) {
    RunInWorkerThread([serial] { serial->Add(std::this_thread::get_id()); });
    serial->WaitFor(i);
  }
  for (std::thread::id thread : serial->Threads())
    EXPECT_TRUE(pool.contains(thread));
}

} // namespace
} // namespace zs::platform
