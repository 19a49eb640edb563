// Ctrl-C and SIGTERM for a program that ends its work in an orderly way: the first request
// is only counted, for the program's loop to see; a second Ctrl-C ends the process at once.
#pragma once

namespace zs::platform {

// Installs the handlers; the exit code of the immediate end is ExitCode.
void CatchInterrupts(int exitCode);
// True once an interrupt or termination request arrived.
bool InterruptRequested();
// Sends the termination request to another process; false when there is no such process.
bool AskProcessToStop(int processId);

} // namespace zs::platform
