// Scheduling priority of threads.
#pragma once

namespace zs::platform {

// Lowers the calling thread's priority below normal, so that it yields to the program's
// real work. Failure to do so is harmless and ignored.
void LowerCurrentThreadPriority();

} // namespace zs::platform
