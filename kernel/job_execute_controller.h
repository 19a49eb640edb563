// TJobExecuteController: the round-robin scheduler of running jobs. It offers the jobs in
// state jsRunning to the get-file controller, which owns the fetch slots, whenever a slot
// may be free or a job may have new work.
#pragma once

namespace zs::kernel {

// Fills GetJobExecuteController and FreeJobExecuteController.
void RegisterJobExecuteController();
// Drops the instance, if one exists.
void ReleaseJobExecuteController();

} // namespace zs::kernel
