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
#include "kernel/shutdown_watchdog.h"
#include "kernel/thread_reporters.h"
#include "platform/main_loop.h"

namespace zs {

void RegisterKernelModule() {
  PostToMainThread.Fill(&platform::PostToMainThread);
  PostLinkMessage.Fill(&kernel::PostLinkMessage);
  ReleaseInMainThread.Fill(&platform::ReleaseInMainThread);
  WaitWhilePumping.Fill(&platform::WaitWhilePumping);
  GetKernel.Fill(&kernel::GetKernel);
  kernel::RegisterKernelObjectClass();
  kernel::RegisterMultiKernelObject();
  AddIdleInitHandler.Fill(&kernel::AddIdleInitHandler);
  ProcessIdleInit.Fill(&kernel::ProcessIdleInit);
  CreateJobRequest.Fill(&kernel::NewJobRequest);
  ValidateJobRequestDef.Fill(&kernel::ValidateDef);
  FileNameFault.Fill(&kernel::FileNameFault);
  kernel::RegisterJobRequestClass();
  GetJobExecuteController.Fill(&kernel::GetJobExecuteController);
  FreeJobExecuteController.Fill(&kernel::ReleaseJobExecuteController);
  CreateGetSiteJob.Fill(&kernel::CreateGetSiteJob);
  LoadGetSiteJob.Fill(&kernel::LoadGetSiteJob);
  kernel::RegisterGetSiteJobClass();
  CreateIntfSnapshot.Fill(&kernel::NewIntfSnapshot);
  kernel::RegisterIntfSnapshotClass();
  GetJobQueue.Fill(&kernel::GetJobQueue);
  QueueJobs.Fill(&kernel::QueueJobs);
  ShutdownKernel.Fill(&kernel::ShutdownKernel);
  CheckProjectDir.Fill(&kernel::CheckProjectDir);
  CreateJobWithEvents.Fill(&kernel::CreateJobWithEvents);
  kernel::CreateJobQueue();
  InstallThreadReporters.Fill(&kernel::InstallThreadReporters);
  UninstallThreadReporters.Fill(&kernel::UninstallThreadReporters);
  ReportWarning.Fill(&kernel::ReportWarning);
  ExceptionToText.Fill([](std::exception_ptr Error, std::string &Source, std::string &Text) {
    kernel::ExceptionToText(std::move(Error), Source, Text);
  });
  StartShutdownWatchdog.Fill([] { kernel::StartShutdownWatchdog(); });
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
