#include "kernel/get_site_job.h"

#include <filesystem>
#include <mutex>

#include "kernel/interfaces.h"
#include "kernel/job_async_provider.h"
#include "platform/atomic_file.h"
#include "platform/class_table.h"
#include "platform/folders.h"
#include "platform/safecall.h"

namespace zs::kernel {

namespace {

using platform::OleCheck;
using platform::SafeCall;

constexpr GUID CLSID_GetSiteJob = MakeGUID("{F405457D-E2FD-4AC2-B4C3-817055ADFE16}");

enum class TLinkListLoad { NotLoaded, Loading, Loaded };

std::string quickSaveFileName() {
  std::string name;
  OleCheck(GetProfiler()->get_QuickSaveFileName(&name));
  return name;
}

TJobRequestDef defOf(IJobRequest *request) {
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  return def;
}

class TGetSiteJob final : public platform::TComObject<IKGetSiteJob, IILinkListEvents,
                                                      IIJobRequestEvents, IRefreshableJob> {
public:
  TGetSiteJob(IKJobQueue *Queue, IJobRequest *Request) : queue_(Queue), jobRequest_(Request) {}

  // Construction past the registration with the job list, which may fail: then the job
  // leaves the list again before the failure passes on, so that no half-built job stays.
  void Construct(TGetSiteEventsFactory Factory, bool Fresh);

  // IGetSiteJob
  HRESULT get_JobRequest(IJobRequest **Value) override {
    return SafeCall([&] { *Value = request().Detach(); });
  }
  HRESULT get_State(TJobState *Value) override {
    return SafeCall([&] { *Value = state_; });
  }
  HRESULT get_LinkList(ILinkList **Value) override {
    return SafeCall([&] { *Value = ComPtr<ILinkList>(linkList()).Detach(); });
  }
  HRESULT Pause() override {
    return SafeCall([&] { pause(); });
  }
  HRESULT Run() override {
    return SafeCall([&] { run(); });
  }
  HRESULT Remove() override {
    return SafeCall([&] { remove(); });
  }
  HRESULT Retry(bool *Value) override {
    return SafeCall([&] { *Value = retry(); });
  }
  HRESULT Refresh(bool *Value) override {
    return SafeCall([&] { *Value = refresh(); });
  }

  // IIGetSiteJob
  ComPtr<IIGetSiteEvents> GetEvents() override {
    std::lock_guard guard(workerLock_);
    return events_;
  }
  ComPtr<IILinkList> GetInternalLinkList() override { return removed() ? nullptr : linkList(); }

  // IKGetSiteJob
  void SaveTo(IXMLElement *Node) override {
    checkNotRemoved();
    ComPtr<IXMLElement> job;
    OleCheck(Node->AppendChild("Job", job.put()));
    SaveJobRequest(job.get(), jobRequest_.get());
  }
  ComPtr<IIJobAsyncProvider> GetAsyncProvider() override {
    // A new provider would bind the removed job to it for good.
    checkNotRemoved();
    if (!asyncProvider_) asyncProvider_ = NewJobAsyncProvider(this);
    return asyncProvider_;
  }

  // IILinkListEvents
  void AllDone() override;
  void LinkAdded(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) override;
  void StateChanged(const TEntryList &EntryPath, TLinkState NewState) override;

  // IIJobRequestEvents
  void AfterChange(const TJobRequestDef &OldDef) override;
  void ChangeFailed() override {}
  void BeforeChange(const TJobRequestDef &NewDef) override;

private:
  bool loadState();
  IILinkList *linkList();
  void seedLinkList();
  void saveDescription();
  void setState(TJobState State);
  void run();
  void pause();
  void remove();
  bool retry();
  bool refresh();
  void mendLinksNotCopied();
  void reportRefresh();
  // Runs Report with the job's log as the thread's reporter of warnings.
  template <class Report> void withJobReporter(Report &&report);
  void releaseParts();

  ComPtr<IJobRequest> request() {
    std::lock_guard guard(workerLock_);
    return jobRequest_;
  }
  TLocalFileName projectDir() {
    TLocalFileName dir;
    OleCheck(jobRequest_->get_ProjectDir(&dir));
    return dir;
  }
  // Remove lets go of the request, the link list and the sink; what the job is asked
  // afterwards finds nothing to work on.
  bool removed() const { return !jobRequest_; }
  void checkNotRemoved() const {
    if (removed()) throw platform::Exception("The job has been removed");
  }

  ComPtr<IKJobQueue> queue_;
  ComPtr<IIJobAsyncProvider> asyncProvider_;
  TJobState state_ = jsStopped;
  ComPtr<IILinkList> linkList_;
  TLinkListLoad linkListLoad_ = TLinkListLoad::NotLoaded;
  // Written only by the main thread; the worker threads of fetches read them through the
  // job's async provider, so a write and those reads take the lock.
  std::mutex workerLock_;
  ComPtr<IIGetSiteEvents> events_; // guarded by workerLock_ against worker reads
  ComPtr<IJobRequest> jobRequest_; // guarded by workerLock_ against worker reads
  bool refreshing_ = false;        // a refresh runs: its end is reported
  bool unfinishedFilesRemoved_ = false;
};

void TGetSiteJob::Construct(TGetSiteEventsFactory Factory, bool Fresh) {
  queue_->RegisterJob(this);
  try {
    TLocalFileName dir = projectDir();
    std::string message;
    if (!queue_->CheckProjectDir(dir, jobRequest_.get(), message))
      throw EKBadPath("Path is illegal or this job is always enqueued.\r\n\"" + dir + "\"");
    if (!Fresh) Fresh = !loadState();
    // Made after the description was read: its request, and so its depth, is the one that
    // counts.
    int32_t downLevel = 0;
    OleCheck(jobRequest_->get_DownLevel(&downLevel));
    linkList_ = CreateLinkList(this, downLevel).As<IILinkList>();
    if (Fresh) {
      seedLinkList();
      saveDescription();
    }
    ComPtr<IIGetSiteEvents> events = Factory ? Factory(this) : CreateDefaultGetSiteEvents(this);
    {
      std::lock_guard guard(workerLock_);
      events_ = std::move(events);
    }
    jobRequest_.As<IIJobRequest>()->SetEvents(this);
  } catch (...) {
    // The caller's reference keeps the job alive while it leaves the list.
    queue_->UnregisterJob(this);
    releaseParts();
    throw;
  }
}

bool TGetSiteJob::loadState() {
  ComPtr<IXMLElement> root = OpenJobDescription(projectDir());
  if (!root) return false;
  TURL pageURL;
  OleCheck(jobRequest_->get_PageURL(&pageURL));
  ComPtr<IJobRequest> request = jobRequest_;
  bool loaded = LoadJobRequest(root.get(), request, false);
  if (pageURL.empty() && !loaded) return false;
  {
    std::lock_guard guard(workerLock_);
    jobRequest_ = std::move(request);
  }
  linkListLoad_ = TLinkListLoad::NotLoaded;
  state_ = jsStopped;
  // A job saved while running comes back stopped: nothing runs before the user says so.
  TJobState saved = LoadJobState(root.get());
  if (saved != jsRunning) setState(saved);
  return true;
}

// The links are read from the description on first need, not when the job is built: a
// job list may hold many jobs with many links.
IILinkList *TGetSiteJob::linkList() {
  checkNotRemoved();
  if (linkListLoad_ != TLinkListLoad::NotLoaded) return linkList_.get();
  TLocalFileName dir = projectDir();
  ComPtr<IXMLElement> root = OpenJobDescription(dir);
  linkListLoad_ = TLinkListLoad::Loading;
  try {
    if (!root || LoadLinkList(root.get(), linkList_.get(), dir) == 0) {
      TURL pageURL;
      OleCheck(jobRequest_->get_PageURL(&pageURL));
      OleCheck(linkList_->AddUserLink(pageURL));
    }
  } catch (...) {
    linkListLoad_ = TLinkListLoad::Loaded;
    throw;
  }
  linkListLoad_ = TLinkListLoad::Loaded;
  return linkList_.get();
}

void TGetSiteJob::seedLinkList() {
  // The start page is written into the description, not into a journal of an old job.
  linkList_->SetJournalFile("");
  TURL pageURL;
  OleCheck(jobRequest_->get_PageURL(&pageURL));
  OleCheck(linkList_->AddUserLink(pageURL));
  linkListLoad_ = TLinkListLoad::Loaded;
  linkList_->SetJournalFile(platform::FileInFolder(projectDir(), quickSaveFileName()));
}

void TGetSiteJob::saveDescription() {
  SaveJobDescription(state_, jobRequest_.get(), linkList(), projectDir());
}

void TGetSiteJob::setState(TJobState State) {
  if (State == state_) return;
  state_ = State;
  // At shutdown the sinks are going away with their windows.
  if (events_ && !KernelShuttingDown) events_->StateChanged();
}

void TGetSiteJob::run() {
  checkNotRemoved();
  if (state_ != jsStopped) return;
  std::error_code error;
  if (!std::filesystem::is_directory(projectDir(), error)) saveDescription();
  // Only a process that was killed leaves unfinished replacements behind, and only a run
  // writes there: the first run in this process clears them away.
  if (!unfinishedFilesRemoved_) platform::TFileReplacement::RemoveUnfinished(projectDir());
  unfinishedFilesRemoved_ = true;
  setState(jsRunning);
  GetAsyncProvider().As<IPJobAsyncProvider>()->ForgetHostManners();
  GetJobExecuteController()->Add(this);
}

void TGetSiteJob::pause() {
  if (state_ != jsRunning) return;
  setState(jsStopped);
  GetJobExecuteController()->Remove(this);
  GetGetFileController()->CancelJob(this);
}

void TGetSiteJob::remove() {
  // Leaving the job list may drop the last reference but ours.
  ComPtr<IKGetSiteJob> self(this);
  pause();
  if (events_) events_->JobRemoved();
  if (queue_) queue_->UnregisterJob(this);
  if (GetFileControllerExists.IsFilled() && GetFileControllerExists())
    GetGetFileController()->CancelJob(this);
  releaseParts();
}

// Breaks the references that lead back to the job (the provider, the sink, the request).
// The job keeps its job list until it goes itself: shutting down waits for the list to go,
// and so for every removed job that a posted report still holds, which lets those reports
// run first. The job description file stays on disk.
void TGetSiteJob::releaseParts() {
  ComPtr<IIGetSiteEvents> events;
  ComPtr<IJobRequest> request;
  {
    std::lock_guard guard(workerLock_);
    events = std::move(events_);
    request = std::move(jobRequest_);
  }
  asyncProvider_.reset();
  linkList_.reset();
}

template <class Report> void TGetSiteJob::withJobReporter(Report &&report) {
  ComPtr<IIThreadContextSupport> reporter = events_ ? events_->GetFileEvents() : nullptr;
  if (reporter) reporter->Install();
  try {
    report();
  } catch (const std::exception &error) {
    ReportWarning(error.what());
  }
  if (reporter) UninstallThreadReporters();
}

// Before the job counts as finished, so that a copy that is finished holds its last links.
// What fails is a warning in the job's log, as the fetches report theirs.
void TGetSiteJob::mendLinksNotCopied() {
  if (removed() || !MendLinksNotCopied.IsFilled()) return;
  withJobReporter([&] { MendLinksNotCopied(jobRequest_.get(), linkList()); });
}

void TGetSiteJob::reportRefresh() {
  if (!refreshing_ || removed()) return;
  refreshing_ = false;
  withJobReporter([&] { ReportWarning(RefreshSummary(linkList()->RefreshCounts())); });
}

bool TGetSiteJob::refresh() {
  checkNotRemoved();
  bool waiting = linkList()->Refresh();
  refreshing_ = waiting;
  if (waiting) {
    if (state_ == jsFinished) setState(jsStopped);
    saveDescription();
  }
  return waiting;
}

bool TGetSiteJob::retry() {
  bool waiting = linkList()->Retry();
  if (waiting) {
    if (state_ == jsFinished) setState(jsStopped);
    saveDescription();
  }
  return waiting;
}

void TGetSiteJob::AllDone() {
  if (state_ == jsRunning) GetJobExecuteController()->Remove(this);
  mendLinksNotCopied();
  reportRefresh();
  setState(jsFinished);
  // The sink may have removed the job on hearing that it finished.
  if (!removed()) saveDescription();
}

void TGetSiteJob::LinkAdded(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) {
  if (state_ != jsRunning || linkListLoad_ == TLinkListLoad::Loading) return;
  // A newly found link is fetched as soon as a slot is free.
  if (linkList_->IsPureEntry(EntryPath.back())) GetJobExecuteController()->TryExecute(this);
  if (events_) events_->LinkChanged(EntryPath, LinkDesc);
}

void TGetSiteJob::StateChanged(const TEntryList &EntryPath, TLinkState NewState) {
  if (linkListLoad_ != TLinkListLoad::Loading && events_)
    events_->LinkListChanged(EntryPath, NewState);
}

void TGetSiteJob::BeforeChange(const TJobRequestDef &NewDef) {
  // A removed job no longer owns the request nor any files: the request is as good as free.
  if (removed()) return;
  TJobRequestDef current = defOf(jobRequest_.get());
  // These decide the files the job has made; moving them is not supported.
  if (NewDef.CopyType != current.CopyType || NewDef.IndexName != current.IndexName ||
      NewDef.PageURL != current.PageURL || NewDef.ProjectDir != current.ProjectDir)
    throw EInternalError();
  std::string message;
  int32_t field = ValidateJobRequestDef(NewDef, jobRequest_.get(), message);
  if (field != 0)
    throw platform::Exception("Illegal job request. Param #" + std::to_string(field) + ": " +
                              message);
}

void TGetSiteJob::AfterChange(const TJobRequestDef &OldDef) {
  if (removed()) return;
  try {
    int32_t downLevel = 0;
    OleCheck(jobRequest_->get_DownLevel(&downLevel));
    // Loaded first: an empty list that is not read yet would look finished.
    if (downLevel != OldDef.DownLevel) linkList()->SetDownLevel(downLevel);
    if (!removed()) saveDescription();
  } catch (...) {
    if (events_) events_->RequestChanged();
    throw;
  }
  if (events_) events_->RequestChanged();
}

ComPtr<IGetSiteJob> build(IKJobQueue *Queue, IJobRequest *Request, TGetSiteEventsFactory Factory,
                          bool Fresh) {
  auto job = platform::MakeCom<TGetSiteJob>(Queue, Request);
  job->Construct(Factory, Fresh);
  return ComPtr<IGetSiteJob>(job.get());
}

} // namespace

ComPtr<IGetSiteJob> CreateGetSiteJob(IKJobQueue *Queue, IJobRequest *Request,
                                     TGetSiteEventsFactory Factory) {
  return build(Queue, Request, Factory, true);
}

ComPtr<IGetSiteJob> LoadGetSiteJob(IKJobQueue *Queue, IXMLElement *Node) {
  ComPtr<IJobRequest> request;
  if (!LoadJobRequest(Node, request, true)) return nullptr;
  return build(Queue, request.get(), nullptr, false);
}

void RegisterGetSiteJobClass() {
  // Internal: jobs are made by the job list, never by clients.
  platform::RegisterComClass(CLSID_GetSiteJob, "TGetSiteJob", "", nullptr);
}

} // namespace zs::kernel
