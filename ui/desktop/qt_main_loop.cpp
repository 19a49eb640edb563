#include "ui/desktop/qt_main_loop.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/main_loop.h"

namespace zs::ui {

namespace {

// One drain call is queued at a time, however many posts arrive meanwhile: the drain runs
// every message posted before it.
std::atomic<bool> drainQueued{false};
// Fires when the next timer of the queue is due.
QTimer *timerClock = nullptr;
std::function<void(std::exception_ptr)> errorHandler;

void wakeUp();

void drain() {
  drainQueued = false;
  try {
    platform::ProcessPendingMessages();
  } catch (...) {
    // What was queued behind the failing message runs in the next drain.
    wakeUp();
    if (errorHandler) errorHandler(std::current_exception());
  }
  if (!timerClock) return;
  const auto next = platform::NextTimerDue();
  if (next) {
    timerClock->start(int(std::max<std::chrono::milliseconds::rep>(next->count(), 0)));
  } else {
    timerClock->stop();
  }
}

void wakeUp() {
  if (drainQueued.exchange(true)) return;
  QCoreApplication *application = QCoreApplication::instance();
  if (!application) {
    drainQueued = false;
    return;
  }
  QMetaObject::invokeMethod(application, &drain, Qt::QueuedConnection);
}

} // namespace

void SetMainLoopErrorHandler(std::function<void(std::exception_ptr Error)> Handler) {
  errorHandler = std::move(Handler);
}

void BindMainLoopToQt() {
  timerClock = new QTimer(QCoreApplication::instance());
  timerClock->setSingleShot(true);
  QObject::connect(timerClock, &QTimer::timeout, &drain);
  platform::SetWakeUpHandler(&wakeUp);
  // Whatever was posted before the loop existed runs as soon as it does.
  wakeUp();
}

void UnbindMainLoopFromQt() {
  platform::SetWakeUpHandler(nullptr);
  delete timerClock;
  timerClock = nullptr;
  drainQueued = false;
}

void WaitWhilePumpingQt(const std::function<bool()> &Condition) {
  while (!Condition()) {
    if (platform::IsMainThread()) {
      if (QCoreApplication::instance()) QCoreApplication::processEvents();
      platform::ProcessPendingMessages();
      if (Condition()) return;
      platform::WaitForMessages(std::chrono::milliseconds(10));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

} // namespace zs::ui
