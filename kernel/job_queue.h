// TJobQueue: the kernel's one list of get-site jobs. It creates jobs from requests, keeps
// them in order, lets no two jobs share a project directory, saves and loads job list
// files, and takes part in the shutdown of the kernel.
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::kernel {

class TJobQueue : public platform::TComObject<IJobQueue, IKJobQueue, IKMaintenanceTimer> {
public:
  // The wall clock: maintenance notices when the user sets it back.
  using TClock = std::chrono::system_clock::time_point (*)();

  explicit TJobQueue(TClock Clock = &std::chrono::system_clock::now);
  ~TJobQueue() override;

  HRESULT AddJob(IJobRequest *JobRequest, IGetSiteJob **Value) override;
  // Failures become "Cannot save file. Reason: %s.".
  HRESULT SaveTo(const TLocalFileName &FileName) override;
  // Jobs whose directory is illegal or already used are passed over.
  HRESULT LoadAndMerge(const TLocalFileName &FileName) override;
  HRESULT Clear() override;
  HRESULT GetJobs(IIntfSnapshot **Value) override;

  void RegisterJob(IKGetSiteJob *Job) override;
  void UnregisterJob(IKGetSiteJob *Job) override;
  void RemoveAll() override;
  ComPtr<IGetSiteJob> CreateJob(IJobRequest *Request, TGetSiteEventsFactory Factory) override;
  bool CheckProjectDir(const std::string &Path, IJobRequest *Request,
                       std::string &Message) override;

  // True whenever no job runs; while jobs run, at most once per 10 minutes.
  bool IsMaintenanceDue() override;

private:
  // A copy of the list, for walking it while jobs come and go.
  std::vector<ComPtr<IKGetSiteJob>> jobs();
  ComPtr<IKGetSiteJob> firstJob();

  // CheckProjectDir may run in the thread of a caller that changes a request; every other
  // use is in the main thread. Nothing is called out of the list while the lock is held.
  std::mutex jobsLock_;
  std::vector<ComPtr<IKGetSiteJob>> jobs_; // guarded by jobsLock_; in registration order

  TClock clock_;
  std::chrono::system_clock::time_point lastMark_; // the last time maintenance was due
};

ComPtr<IJobQueue> GetJobQueue();
std::vector<ComPtr<IGetSiteJob>> QueueJobs();
bool CheckProjectDir(const std::string &Path, IJobRequest *Request, std::string &Message);
void CreateJobWithEvents(IJobRequest *Request, TGetSiteEventsFactory Factory);
// Pauses and removes every job, lets the pool and the scheduler go, and waits in the main
// loop until the list itself is gone.
void ShutdownKernel();
// Registers the job list's class and creates the instance.
void CreateJobQueue();
// Drops the instance if ShutdownKernel has not.
void FinalizeJobQueue();

} // namespace zs::kernel
