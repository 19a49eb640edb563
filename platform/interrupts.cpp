#include "platform/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace zs::platform {

namespace {

std::atomic<int> requests{0};
int immediateExitCode = 1;

void onInterrupt(int) {
  // Only async-signal-safe work here: count, and on the second request leave at once.
  if (requests.fetch_add(1) >= 1) _exit(immediateExitCode);
}

} // namespace

void CatchInterrupts(int exitCode) {
  immediateExitCode = exitCode;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return requests.load() > 0; }

bool AskProcessToStop(int processId) { return processId > 0 && kill(processId, SIGTERM) == 0; }

} // namespace zs::platform
