// The main thread's queue drained from Qt's event loop: a post from any thread wakes the
// loop, which runs what was posted and the timers that are due, in the order posted.
#pragma once

#include <functional>

namespace zs::ui {

// Binds the queue to the running QApplication (call once it exists, in the main thread);
// Unbind before it goes.
void BindMainLoopToQt();
void UnbindMainLoopFromQt();

// As the kernel expects it: until the condition holds, the main thread handles Qt's events
// and the queue, so the window stays responsive while it waits; other threads just sleep.
void WaitWhilePumpingQt(const std::function<bool()> &Condition);

} // namespace zs::ui
