#include "kernel/job_queue.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "kernel/project_dir.h"
#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::kernel {

using platform::E_POINTER;
using platform::EOleSysError;
using platform::OleCheck;
using platform::SafeCall;
using platform::SysErrorMessage;

namespace {

constexpr GUID CLSID_JobQueue = MakeGUID("{7C1B4693-91A9-47BE-8BD1-3704B235A05E}");

constexpr std::chrono::minutes maintenanceInterval{10};

const char *const incorrectDiskMessage =
    "This Path is incorrect. It must begans with correct disk name.";
const char *const sharedFolderMessage =
    "This path is used by another job. (We can't share folders such way)";

// JobQueueDestroyed must say whether any job list exists, also while a second one (a test's
// own) comes and goes beside the module's instance.
std::atomic<int> liveQueues{0};

template <class T> void checkOutParameter(T *Value) {
  if (!Value) throw EOleSysError(SysErrorMessage(E_POINTER), E_POINTER);
}

// Requests are compared as objects: the same object may be reached through two interfaces.
ComPtr<IUnknown> identityOf(IJobRequest *Request) {
  return ComPtr<IJobRequest>(Request).As<IUnknown>();
}

} // namespace

TJobQueue::TJobQueue(TClock Clock) : clock_(Clock), lastMark_(Clock()) {
  ++liveQueues;
  JobQueueDestroyed = false;
}

// Every job holds the list, so the list can only go once no job is left in it.
TJobQueue::~TJobQueue() {
  if (--liveQueues == 0) JobQueueDestroyed = true;
}

HRESULT TJobQueue::AddJob(IJobRequest *JobRequest, IGetSiteJob **Value) {
  return SafeCall([&] {
    checkOutParameter(Value);
    *Value = nullptr;
    *Value = CreateGetSiteJob(this, JobRequest, nullptr).Detach();
  });
}

HRESULT TJobQueue::SaveTo(const TLocalFileName &FileName) {
  return SafeCall([&] {
    std::vector<ComPtr<IJobRequest>> requests;
    for (const ComPtr<IKGetSiteJob> &job : jobs()) {
      ComPtr<IJobRequest> request;
      OleCheck(job->get_JobRequest(request.put()));
      requests.push_back(std::move(request));
    }
    try {
      SaveJobListFile(FileName, requests);
    } catch (const std::exception &error) {
      throw platform::Exception(std::string("Cannot save file. Reason: ") + error.what() + ".");
    }
  });
}

HRESULT TJobQueue::LoadAndMerge(const TLocalFileName &FileName) {
  return SafeCall([&] {
    for (const ComPtr<IXMLElement> &node : OpenJobListFile(FileName)) {
      try {
        // The new job has registered itself; the list holds it.
        LoadGetSiteJob(this, node.get());
      } catch (const EKBadPath &) {
        // A job whose folder is illegal here, or already used by a job of the list, stays
        // out and the others still load: that is also why loading one file twice adds
        // nothing the second time.
      }
    }
  });
}

HRESULT TJobQueue::Clear() {
  return SafeCall([&] {
    // Each removal unregisters the job; whatever a removal adds or removes meanwhile is seen.
    while (ComPtr<IKGetSiteJob> job = firstJob())
      OleCheck(job->Remove());
  });
}

HRESULT TJobQueue::GetJobs(IIntfSnapshot **Value) {
  return SafeCall([&] {
    checkOutParameter(Value);
    *Value = nullptr;
    ComPtr<IIIntfSnapshot> snapshot = CreateIntfSnapshot();
    for (const ComPtr<IKGetSiteJob> &job : jobs())
      snapshot->Add(job.get());
    *Value = snapshot->GetSnapshot().Detach();
  });
}

void TJobQueue::RegisterJob(IKGetSiteJob *Job) {
  std::lock_guard guard(jobsLock_);
  jobs_.emplace_back(Job);
}

void TJobQueue::UnregisterJob(IKGetSiteJob *Job) {
  ComPtr<IKGetSiteJob> removed; // released after the lock is left: it may be the last reference
  std::lock_guard guard(jobsLock_);
  auto found = std::find(jobs_.begin(), jobs_.end(), ComPtr<IKGetSiteJob>(Job));
  if (found == jobs_.end()) return;
  removed = std::move(*found);
  jobs_.erase(found);
}

void TJobQueue::RemoveAll() { OleCheck(Clear()); }

ComPtr<IGetSiteJob> TJobQueue::CreateJob(IJobRequest *Request, TGetSiteEventsFactory Factory) {
  return CreateGetSiteJob(this, Request, Factory);
}

bool TJobQueue::CheckProjectDir(const std::string &Path, IJobRequest *Request,
                                std::string &Message) {
  if (!BeginsWithCorrectDiskName(Path)) {
    Message = incorrectDiskMessage;
    return false;
  }
  ComPtr<IUnknown> ownRequest = identityOf(Request);
  for (const ComPtr<IKGetSiteJob> &job : jobs()) {
    ComPtr<IJobRequest> request;
    OleCheck(job->get_JobRequest(request.put()));
    // A job does not share a folder with itself.
    if (!request || identityOf(request.get()) == ownRequest) continue;
    TLocalFileName projectDir;
    OleCheck(request->get_ProjectDir(&projectDir));
    if (IsSameDirectory(projectDir, Path)) {
      Message = sharedFolderMessage;
      return false;
    }
  }
  Message.clear();
  return true;
}

bool TJobQueue::IsMaintenanceDue() {
  const auto now = clock_();
  // A clock set back would otherwise hold maintenance off until it caught up again.
  bool due = !GetJobExecuteController()->HasJobs() || now < lastMark_ ||
             now - lastMark_ > maintenanceInterval;
  if (due) lastMark_ = now;
  return due;
}

std::vector<ComPtr<IKGetSiteJob>> TJobQueue::jobs() {
  std::lock_guard guard(jobsLock_);
  return jobs_;
}

ComPtr<IKGetSiteJob> TJobQueue::firstJob() {
  std::lock_guard guard(jobsLock_);
  return jobs_.empty() ? nullptr : jobs_.front();
}

namespace {

std::mutex instanceLock;
ComPtr<TJobQueue> instance; // guarded by instanceLock; empty once the kernel has shut down

// Empty when there is none.
ComPtr<TJobQueue> heldInstance() {
  std::lock_guard guard(instanceLock);
  return instance;
}

ComPtr<TJobQueue> existingInstance() {
  ComPtr<TJobQueue> queue = heldInstance();
  if (!queue) throw platform::Exception("The job list does not exist: the kernel has shut down");
  return queue;
}

// The instance leaves the module; the caller drops it outside the lock, so that nothing its
// destructor reaches can wait for the lock.
ComPtr<TJobQueue> takeInstance() {
  std::lock_guard guard(instanceLock);
  return std::move(instance);
}

} // namespace

ComPtr<IJobQueue> GetJobQueue() { return existingInstance(); }

std::vector<ComPtr<IGetSiteJob>> QueueJobs() {
  ComPtr<IIntfSnapshot> snapshot;
  OleCheck(existingInstance()->GetJobs(snapshot.put()));
  int32_t count = 0;
  OleCheck(snapshot->get_Count(&count));
  std::vector<ComPtr<IGetSiteJob>> jobs;
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<IUnknown> item;
    OleCheck(snapshot->get_Item(i, item.put()));
    if (ComPtr<IGetSiteJob> job = item.As<IGetSiteJob>()) jobs.push_back(job);
  }
  return jobs;
}

bool CheckProjectDir(const std::string &Path, IJobRequest *Request, std::string &Message) {
  return existingInstance()->CheckProjectDir(Path, Request, Message);
}

void CreateJobWithEvents(IJobRequest *Request, TGetSiteEventsFactory Factory) {
  existingInstance()->CreateJob(Request, Factory);
}

void ShutdownKernel() {
  // From here on jobs stop reporting state changes.
  KernelShuttingDown = true;
  if (ComPtr<TJobQueue> queue = heldInstance()) queue->RemoveAll();
  // The get-file controller belongs to a subsystem that a program may be built without.
  if (zs::FreeGetFileController.IsFilled()) zs::FreeGetFileController();
  zs::FreeJobExecuteController();
  takeInstance().reset();
  // Posted messages and releases in the main thread still hold jobs, and through them the
  // list: they must run before the list can go.
  zs::WaitWhilePumping([] { return JobQueueDestroyed.load(); });
}

void CreateJobQueue() {
  platform::RegisterComClass(CLSID_JobQueue, "TJobQueue", "", nullptr);
  ComPtr<TJobQueue> created = platform::MakeCom<TJobQueue>();
  std::lock_guard guard(instanceLock);
  std::swap(instance, created);
}

void FinalizeJobQueue() { takeInstance().reset(); }

} // namespace zs::kernel
