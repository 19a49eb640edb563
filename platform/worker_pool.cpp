#include "platform/worker_pool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace zs::platform {

namespace {

constexpr auto idleLifetime = std::chrono::seconds(5);

struct TPool {
  std::mutex Lock; // guards the rest
  std::condition_variable TaskQueued;
  std::deque<std::function<void()>> Tasks;
  int Idle = 0; // threads waiting for a task
};

// Never destroyed: an idle thread may still wait on it while the program ends.
TPool &pool() {
  static TPool *instance = new TPool;
  return *instance;
}

thread_local bool inWorkerThread = false;

void work(std::function<void()> task) {
  inWorkerThread = true;
  TPool &p = pool();
  for (;;) {
    task();
    task = nullptr;
    std::unique_lock lock(p.Lock);
    ++p.Idle;
    bool given = p.TaskQueued.wait_for(lock, idleLifetime, [&] { return !p.Tasks.empty(); });
    --p.Idle;
    if (!given) return;
    task = std::move(p.Tasks.front());
    p.Tasks.pop_front();
  }
}

} // namespace

void RunInWorkerThread(std::function<void()> Task) {
  TPool &p = pool();
  {
    std::unique_lock lock(p.Lock);
    // Each queued task has an idle thread of its own waiting to take it.
    if (p.Idle > static_cast<int>(p.Tasks.size())) {
      p.Tasks.push_back(std::move(Task));
      // Woken after the lock is let go, the thread does not wait for it at once.
      lock.unlock();
      p.TaskQueued.notify_one();
      return;
    }
  }
  std::thread(work, std::move(Task)).detach();
}

bool InWorkerThread() { return inWorkerThread; }

int IdleWorkerThreads() {
  std::lock_guard lock(pool().Lock);
  return pool().Idle;
}

} // namespace zs::platform
