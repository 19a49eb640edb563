#include "kernel/shutdown_watchdog.h"

#include <cstdlib>
#include <thread>

#include "platform/thread_priority.h"

#include "kernel/interfaces.h"

namespace zs::kernel {

namespace {

// Short enough to let the program end without a noticeable delay, long enough to leave the
// processor to the shutdown it waits for.
constexpr std::chrono::milliseconds pollStep{10};

bool jobQueueDestroyedWithin(std::chrono::milliseconds timeLimit) {
  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  while (!JobQueueDestroyed.load()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pollStep);
  }
  return true;
}

// The program is stuck in its own shutdown: nothing of it (exit handlers, destructors of
// globals still in use by the stuck threads) may run any more.
void endWithExitCode1() { std::_Exit(1); }

} // namespace

void StartShutdownWatchdog(std::chrono::milliseconds TimeLimit, std::function<void()> EndProcess) {
  if (!EndProcess) EndProcess = endWithExitCode1;
  std::thread([TimeLimit, EndProcess = std::move(EndProcess)] {
    platform::LowerCurrentThreadPriority();
    if (!jobQueueDestroyedWithin(TimeLimit)) EndProcess();
  }).detach();
}

} // namespace zs::kernel
