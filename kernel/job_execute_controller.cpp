#include "kernel/job_execute_controller.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::kernel {

namespace {

// Used only in the main thread, as the jobs and the get-file controller are: no lock.
class TJobExecuteController final : public platform::TComObject<IKJobExecuteController> {
public:
  void Add(IKGetSiteJob *Job) override {
    Jobs.emplace_back(Job);
    TryExecute(Job);
  }

  void Remove(IKGetSiteJob *Job) override {
    // The cursor stays: a pass that finds it past the end starts again at the first job.
    auto found = std::find(Jobs.begin(), Jobs.end(), ComPtr<IKGetSiteJob>(Job));
    if (found != Jobs.end()) Jobs.erase(found);
  }

  bool HasJobs() override { return !Jobs.empty(); }

  void SlotFreed() override {
    SlotsFree = true;
    if (RescanNeeded || std::exchange(HostsWaiting, false)) pass();
  }

  void TryExecute(IKGetSiteJob *Job) override {
    if (!SlotsFree) {
      RescanNeeded = true;
      return;
    }
    // A job alone is offered once; a pending rescan may start work for every job.
    if (!RescanNeeded && Job)
      offer(Job);
    else
      pass();
  }

private:
  // Each pass starts at most one fetch per job; passes repeat while fetches keep starting
  // and slots remain. Refusals leave the cursor on the last refused job, which is offered
  // first once a slot is freed.
  void pass() {
    do {
      RescanNeeded = false;
      if (NextIndex >= jobCount()) NextIndex = 0;
      int32_t i = NextIndex;
      while (i < jobCount()) {
        ComPtr<IKGetSiteJob> job = Jobs[i];
        bool moveOn = offer(job.get());
        // A job that has nothing left finishes, and leaves the list, during its own offer;
        // the job after it then stands at its index and is the next to visit.
        int32_t next = i < jobCount() && Jobs[i] == job ? i + 1 : i;
        NextIndex = moveOn ? next : i;
        i = next;
      }
    } while (RescanNeeded && SlotsFree);
  }

  // True when the cursor may move past the job.
  bool offer(IKGetSiteJob *job) {
    switch (GetGetFileController()->TryStartJob(job)) {
    case tsStarted: RescanNeeded = true; return true;
    case tsAllBusy:
      SlotsFree = false;
      RescanNeeded = true;
      return false;
    // Offered again once a fetch ends, which may free its host; not within this pass.
    case tsHostsBusy: HostsWaiting = true; return true;
    default: return true; // tsNoLink: the job waits for its fetches to bring more links
    }
  }

  int32_t jobCount() const { return static_cast<int32_t>(Jobs.size()); }

  std::vector<ComPtr<IKGetSiteJob>> Jobs; // running jobs in the order they were added
  bool RescanNeeded = false;              // another pass may start more fetches
  bool SlotsFree = true;                  // the get-file controller may have a free slot
  bool HostsWaiting = false;              // a job's links wait for their hosts' fetches
  int32_t NextIndex = 0;                  // the job to offer first in the next pass
};

// Created on first use and dropped at shutdown, in the main thread only.
ComPtr<IKJobExecuteController> instance;

} // namespace

ComPtr<IKJobExecuteController> GetJobExecuteController() {
  if (!instance) instance = platform::MakeCom<TJobExecuteController>();
  return instance;
}

void ReleaseJobExecuteController() {
  // Moved out first: the jobs released with it may call back while it goes.
  ComPtr<IKJobExecuteController> released = std::move(instance);
}

} // namespace zs::kernel
