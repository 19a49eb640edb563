#include "kernel/idle_init.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "kernel/interfaces.h"

namespace zs::kernel {

namespace {

// Runs one start-up handler in a thread of its own. The object is freed by
// ProcessIdleInit once Terminated() is true, never by its thread.
class TInitThread {
public:
  explicit TInitThread(TIdleInitHandler handler)
      : handler_(handler), thread_([this] { execute(); }) {}
  TInitThread(const TInitThread &) = delete;
  TInitThread &operator=(const TInitThread &) = delete;
  ~TInitThread() { thread_.join(); }

  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // The handler's answer; valid once Terminated() is true.
  bool Done() const { return done_; }

private:
  void execute() {
    done_ = true;
    try {
      handler_(done_);
    } catch (...) {
      // A start-up thread has nobody to report to. The failed handler counts as done, so
      // that the idle loop does not run it again and again.
      done_ = true;
    }
    terminated_.store(true, std::memory_order_release);
  }

  TIdleInitHandler handler_;
  bool done_ = true; // written by the thread until terminated_ is set, read after that
  std::atomic<bool> terminated_{false};
  std::thread thread_; // last: it starts once the fields above exist
};

struct IdleInit {
  // Guards both fields. They belong to the main thread, but a handler may register a
  // further handler from its own thread.
  std::mutex lock;
  std::deque<TIdleInitHandler> handlers; // the first is the one that runs or runs next
  std::unique_ptr<TInitThread> thread;   // the thread of the first handler, if started
};

IdleInit &idleInit() {
  static IdleInit instance;
  return instance;
}

} // namespace

void AddIdleInitHandler(TIdleInitHandler Handler) {
  // Refused here rather than crashing the start-up thread later.
  if (!Handler) throw platform::Exception("A start-up handler must not be empty");
  IdleInit &state = idleInit();
  std::lock_guard guard(state.lock);
  state.handlers.push_back(Handler);
}

void ProcessIdleInit(bool &Done) {
  IdleInit &state = idleInit();
  std::lock_guard guard(state.lock);
  if (state.handlers.empty()) {
    Done = true;
    return;
  }
  if (state.thread) {
    if (!state.thread->Terminated()) {
      Done = false;
      return;
    }
    Done = state.thread->Done();
    state.thread.reset();
    // A handler that answered Done false stays first and runs again.
    if (Done) state.handlers.pop_front();
    if (!state.handlers.empty()) Done = false;
  }
  // Done stays as it is here: on the first call it keeps the idle loop's own value.
  if (!state.handlers.empty()) state.thread = std::make_unique<TInitThread>(state.handlers.front());
}

void FinalizeIdleInit() {
  std::unique_ptr<TInitThread> running;
  {
    IdleInit &state = idleInit();
    std::lock_guard guard(state.lock);
    running = std::move(state.thread);
    state.handlers.clear();
  }
  // Joined outside the lock: the handler may still register another one before it ends.
  running.reset();
}

} // namespace zs::kernel
