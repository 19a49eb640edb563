#include "kernel/module_startup.h"

#include "kernel/http_module_init.h"
#include "kernel/idle_init.h"
#include "kernel/interfaces.h"
#include "kernel/job_request.h"
#include "kernel/kernel_object.h"
#include "kernel/main_thread_queue.h"
#include "kernel/multi_kernel_object.h"

namespace zs {

void RegisterKernelModule() {
  kernel::RegisterMainThreadQueue();
  kernel::RegisterKernelObject();
  kernel::RegisterMultiKernelObject();
  kernel::RegisterIdleInit();
  kernel::RegisterJobRequest();
  AddIdleInitHandler(kernel::InitHttpModule);
}

void FinalizeKernelModule() {
  // A start-up handler may still use the kernel: it ends before the singleton goes.
  kernel::FinalizeIdleInit();
  kernel::ReleaseKernelSingleton();
}

} // namespace zs
