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
  size_t Threads() {
    std::lock_guard lock(lock_);
    return threads_.size();
  }
  // The threads counted here and in others together.
  size_t Threads(const std::set<std::thread::id> &others) {
    std::lock_guard lock(lock_);
    std::set<std::thread::id> all = threads_;
    all.insert(others.begin(), others.end());
    return all.size();
  }
  std::set<std::thread::id> ThreadSet() {
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
  EXPECT_EQ(started->Threads(), size_t(together));

  // Once they are idle, tasks one after another run in them: no thread is started.
  while (IdleWorkerThreads() < together)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  auto serial = std::make_shared<TTally>();
  for (int i = 1; i <= together; ++i) {
    RunInWorkerThread([serial] { serial->Add(std::this_thread::get_id()); });
    serial->WaitFor(i);
  }
  EXPECT_EQ(started->Threads(serial->ThreadSet()), size_t(together));
}

} // namespace
} // namespace zs::platform
