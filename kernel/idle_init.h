// Start-up handlers: slow initialisation that runs, one handler at a time and each in a
// thread of its own, while the program is already idle (AddIdleInitHandler, ProcessIdleInit).
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// Queues a start-up handler.
void AddIdleInitHandler(TIdleInitHandler Handler);
// One step of the idle loop: starts or finishes the first handler; Done once none is left.
void ProcessIdleInit(bool &Done);
// Waits for a handler that still runs and forgets every handler (end of the program).
void FinalizeIdleInit();

} // namespace zs::kernel
