// What every front-end does while it runs and when it ends, around its own loop.
#pragma once

namespace zs::ui {

// One idle step: the kernel's start-up handlers go on, and when the job list says that
// maintenance is due, free memory goes back to the system. Returns whether the program is
// idle now (no start-up handler is waiting to run).
bool RunIdleStep();

// The end of the program: the watchdog starts, so that a shutdown that hangs cannot keep
// the process alive, then the kernel shuts down.
void EndProgram();

} // namespace zs::ui
