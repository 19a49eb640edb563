#include "platform/main_loop.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/com.h"
#include "platform/exceptions.h"

namespace zs::platform {

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  std::chrono::milliseconds interval;
  Clock::time_point due;
  std::function<void()> callback;
};

struct MainLoop {
  std::mutex lock; // guards every field below
  std::condition_variable posted;
  std::thread::id mainThread;
  bool bound = false;
  std::deque<std::function<void()>> queue;
  std::map<uint32_t, Timer> timers;
  uint32_t nextTimerId = 1;
  std::function<void()> wakeUp;
  std::function<void()> activation;
};

MainLoop &loop() {
  static MainLoop instance;
  return instance;
}

// Called with the lock released, so a wake-up handler may post or process.
void notifyPosted() {
  MainLoop &l = loop();
  std::function<void()> wakeUp;
  {
    std::lock_guard guard(l.lock);
    wakeUp = l.wakeUp;
  }
  l.posted.notify_all();
  if (wakeUp) wakeUp();
}

void releaseOne(void *object) { static_cast<IUnknown *>(object)->Release(); }

// A timer that is due, moved on to its next due time; empty when none is due.
std::function<void()> takeDueTimer(MainLoop &l, Clock::time_point now) {
  for (auto &[id, timer] : l.timers) {
    if (timer.due <= now) {
      timer.due = now + timer.interval;
      return timer.callback;
    }
  }
  return {};
}

} // namespace

void BindMainThread() {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  if (l.bound && l.mainThread != std::this_thread::get_id())
    throw Exception("The main thread is already bound to another thread");
  l.mainThread = std::this_thread::get_id();
  l.bound = true;
}

bool IsMainThread() {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  return l.bound && l.mainThread == std::this_thread::get_id();
}

void PostTask(std::function<void()> task) {
  bool first;
  {
    MainLoop &l = loop();
    std::lock_guard guard(l.lock);
    first = l.queue.empty();
    l.queue.push_back(std::move(task));
  }
  // A queue that held messages already has its wake-up on the way, and the main thread takes
  // the whole queue when it wakes: one wake-up serves every message posted until then.
  if (first) notifyPosted();
}

void PostToMainThread(void (*procedure)(void *), void *argument) {
  PostTask([procedure, argument] { procedure(argument); });
}

void ReleaseInMainThread(IUnknown *object) {
  if (!object || IsMainThread()) return;
  object->AddRef(); // the message's own reference, released in the main thread
  PostToMainThread(&releaseOne, object);
}

void PostActivation() {
  PostTask([] {
    std::function<void()> handler;
    {
      MainLoop &l = loop();
      std::lock_guard guard(l.lock);
      handler = l.activation;
    }
    if (handler) handler();
  });
}

void SetActivationHandler(std::function<void()> handler) {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  l.activation = std::move(handler);
}

void SetWakeUpHandler(std::function<void()> handler) {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  l.wakeUp = std::move(handler);
}

int ProcessPendingMessages() {
  MainLoop &l = loop();
  // Only what was queued before this call runs: a message that posts another does not keep
  // this call busy for ever.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard guard(l.lock);
    batch.swap(l.queue);
  }
  int ran = 0;
  while (!batch.empty()) {
    std::function<void()> task = std::move(batch.front());
    batch.pop_front();
    try {
      task();
    } catch (...) {
      // A failing message must not lose the ones behind it: put them back first, with a
      // wake-up of their own.
      {
        std::lock_guard guard(l.lock);
        l.queue.insert(l.queue.begin(), std::make_move_iterator(batch.begin()),
                       std::make_move_iterator(batch.end()));
      }
      if (!batch.empty()) notifyPosted();
      throw;
    }
    ++ran;
  }
  const Clock::time_point now = Clock::now();
  size_t timerCount;
  {
    std::lock_guard guard(l.lock);
    timerCount = l.timers.size();
  }
  // Each timer runs at most once a call, however late the loop is.
  for (size_t i = 0; i < timerCount; ++i) {
    std::function<void()> callback;
    {
      std::lock_guard guard(l.lock);
      callback = takeDueTimer(l, now);
    }
    if (!callback) break;
    callback();
    ++ran;
  }
  return ran;
}

void WaitForMessages(std::chrono::milliseconds maxWait) {
  MainLoop &l = loop();
  std::unique_lock guard(l.lock);
  Clock::time_point until = Clock::now() + maxWait;
  for (const auto &[id, timer] : l.timers)
    if (timer.due < until) until = timer.due;
  l.posted.wait_until(guard, until, [&] { return !l.queue.empty(); });
}

void WaitWhilePumping(const std::function<bool()> &condition) {
  while (!condition()) {
    if (IsMainThread()) {
      ProcessPendingMessages();
      if (condition()) return;
      WaitForMessages(std::chrono::milliseconds(10));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

uint32_t SetTimer(std::chrono::milliseconds interval, std::function<void()> callback) {
  uint32_t id;
  {
    MainLoop &l = loop();
    std::lock_guard guard(l.lock);
    id = l.nextTimerId++;
    l.timers[id] = Timer{interval, Clock::now() + interval, std::move(callback)};
  }
  notifyPosted();
  return id;
}

void KillTimer(uint32_t timerId) {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  l.timers.erase(timerId);
}

std::optional<std::chrono::milliseconds> NextTimerDue() {
  MainLoop &l = loop();
  std::lock_guard guard(l.lock);
  if (l.timers.empty()) return std::nullopt;
  Clock::time_point first = Clock::time_point::max();
  for (const auto &[id, timer] : l.timers)
    first = std::min(first, timer.due);
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

void ClearMainLoop() {
  std::deque<std::function<void()>> dropped;
  std::map<uint32_t, Timer> droppedTimers;
  {
    MainLoop &l = loop();
    std::lock_guard guard(l.lock);
    dropped.swap(l.queue);
    droppedTimers.swap(l.timers);
  }
  // Destroyed outside the lock: a task's captures may post while they go.
}

} // namespace zs::platform
