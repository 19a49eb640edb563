// Start-up handlers: slow initialisation that runs, one handler at a time and each in a
// thread of its own, while the program is already idle (AddIdleInitHandler, ProcessIdleInit).
#pragma once

namespace zs::kernel {

// Fills AddIdleInitHandler and ProcessIdleInit.
void RegisterIdleInit();
// Waits for a handler that still runs and forgets every handler (end of the program).
void FinalizeIdleInit();

} // namespace zs::kernel
