// Threads for short tasks that come one after another, such as fetches: a task runs in an
// idle thread of the pool, or in a new thread when every one is busy. A thread waits a few
// seconds for its next task and then ends, so a program that works in bursts keeps no
// threads it does not use. Starting a thread costs more than many a small fetch.
#pragma once

#include <functional>

namespace zs::platform {

// Runs Task in a worker thread and returns at once. Task must not throw; what it captures
// is destroyed in the worker before the thread takes another task. std::system_error when
// no thread can be started.
void RunInWorkerThread(std::function<void()> Task);

// The threads of the pool waiting for a task now.
int IdleWorkerThreads();

// Whether the calling thread is one of the pool's.
bool InWorkerThread();

} // namespace zs::platform
