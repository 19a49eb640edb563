// TJobExecuteController: the round-robin scheduler of running jobs. It offers the jobs in
// state jsRunning to the get-file controller, which owns the fetch slots, whenever a slot
// may be free or a job may have new work.
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// The scheduler, created on first use (in the main thread).
ComPtr<IKJobExecuteController> GetJobExecuteController();
// Drops the instance, if one exists.
void ReleaseJobExecuteController();

} // namespace zs::kernel
