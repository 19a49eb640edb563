// The main thread's queue drained from Qt's event loop: a post from any thread wakes the
// loop, which runs what was posted and the timers that are due, in the order posted.
#pragma once

#include <exception>
#include <functional>

namespace zs::ui {

// Binds the queue to the running QApplication (call once it exists, in the main thread);
// Unbind before it goes.
void BindMainLoopToQt();
void UnbindMainLoopFromQt();

// Where a posted message or a timer that fails sends its error (the messages behind it still
// run); an empty handler lets such errors go unreported.
void SetMainLoopErrorHandler(std::function<void(std::exception_ptr Error)> Handler);

// As the kernel expects it: until the condition holds, the main thread handles Qt's events
// and the queue, so the window stays responsive while it waits; other threads just sleep.
void WaitWhilePumpingQt(const std::function<bool()> &Condition);

} // namespace zs::ui
