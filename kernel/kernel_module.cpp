#include "kernel/module_startup.h"

#include "kernel/get_site_job.h"
#include "kernel/http_module_init.h"
#include "kernel/idle_init.h"
#include "kernel/interfaces.h"
#include "kernel/intf_snapshot.h"
#include "kernel/job_execute_controller.h"
#include "kernel/job_queue.h"
#include "kernel/job_request.h"
#include "kernel/kernel_object.h"
#include "kernel/main_thread_queue.h"
#include "kernel/multi_kernel_object.h"
#include "kernel/thread_reporters.h"

namespace zs {

void RegisterKernelModule() {
  kernel::RegisterMainThreadQueue();
  kernel::RegisterKernelObject();
  kernel::RegisterMultiKernelObject();
  kernel::RegisterIdleInit();
  kernel::RegisterJobRequest();
  kernel::RegisterJobExecuteController();
  kernel::RegisterGetSiteJob();
  kernel::RegisterIntfSnapshot();
  kernel::RegisterJobQueue();
  InstallThreadReporters.Fill(&kernel::InstallThreadReporters);
  UninstallThreadReporters.Fill(&kernel::UninstallThreadReporters);
  ReportCurrentException.Fill(&kernel::ReportCurrentException);
  AddIdleInitHandler(kernel::InitHttpModule);
}

void FinalizeKernelModule() {
  // A start-up handler may still use the kernel: it ends before the singleton goes.
  kernel::FinalizeIdleInit();
  kernel::FinalizeJobQueue();
  kernel::ReleaseJobExecuteController();
  kernel::ReleaseKernelSingleton();
}

} // namespace zs
