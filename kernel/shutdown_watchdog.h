// The end-of-program watchdog: a front-end starts it when its main window or loop has
// ended, just before ShutdownKernel, so that a shutdown that hangs cannot keep the process
// alive.
#pragma once

#include <chrono>
#include <functional>

namespace zs::kernel {

inline constexpr std::chrono::milliseconds ShutdownTimeLimit{5000};

// Starts a background thread of low priority and returns at once. The thread ends quietly
// as soon as JobQueueDestroyed is true; when it is still false after TimeLimit, it calls
// EndProcess, which by default (empty) ends the process at once with exit code 1.
void StartShutdownWatchdog(std::chrono::milliseconds TimeLimit = ShutdownTimeLimit,
                           std::function<void()> EndProcess = nullptr);

} // namespace zs::kernel
