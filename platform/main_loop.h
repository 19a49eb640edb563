// The main thread's message queue. Any thread may post; posting never blocks and never runs
// the message in the caller, even on the main thread. The main thread drains the queue: a
// headless program in its own loop, the desktop window from its event loop (a post wakes
// it through the wake-up handler). Messages run in the order they were posted.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace zs::platform {

class IUnknown;

// Makes the calling thread the main thread. The first call of the program decides;
// later calls from another thread raise (tests run everything on one thread).
void BindMainThread();
bool IsMainThread();

// WM_USER+1: runs Procedure(Argument) in the main thread.
void PostToMainThread(void (*procedure)(void *), void *argument);
// Runs any task in the main thread (used for WM_USER+3 and the settings' notices).
void PostTask(std::function<void()> task);
// Outside the main thread: posts the release of one reference of the interface (taken
// now) so that the last reference is dropped in the main thread. In the main thread it
// does nothing.
void ReleaseInMainThread(IUnknown *object);

// WM_USER+2: asks the window to come forward; the handler runs in the main thread.
void PostActivation();
void SetActivationHandler(std::function<void()> handler);

// Called (from the posting thread) after every post and timer change, so an event loop
// can wake and call ProcessPendingMessages. Empty to remove.
void SetWakeUpHandler(std::function<void()> handler);

// Main thread only: runs every message queued so far and every timer that is due.
// Returns the number of messages and timer calls run.
int ProcessPendingMessages();
// Main thread only: blocks until a message is posted, a timer is due, or the time passes.
void WaitForMessages(std::chrono::milliseconds maxWait);
// Repeats: evaluate the condition; stop when true; otherwise, on the main thread, process
// pending messages; wait up to 10 ms for the next.
void WaitWhilePumping(const std::function<bool()> &condition);

// Timers: the callback runs in the main thread every interval while the timer lives.
uint32_t SetTimer(std::chrono::milliseconds interval, std::function<void()> callback);
void KillTimer(uint32_t timerId);
// How long until the first timer is due (zero when one is due already); empty without
// timers. An event loop that drains the queue arms its own clock with it.
std::optional<std::chrono::milliseconds> NextTimerDue();

// Drops every queued message and timer without running them (end of program, tests).
void ClearMainLoop();

} // namespace zs::platform
