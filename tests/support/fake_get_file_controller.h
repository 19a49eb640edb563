// A get-file controller for tests: a pool of fetch slots that runs no threads and fetches
// nothing. TryStartJob takes the job's next wanted link as a real fetch would and keeps it
// as a running fetch; the test then finishes each fetch as a worker would, and the pool frees
// the slot when the process-finished message runs in the main thread.
//
//   TScopedGetFileController controller(2);   // GetGetFileController gives the fake
//   job->Run();                               // the scheduler starts fetches
//   controller->Running()[0]->Complete(true, {{"http://host/b.html", ltAHref}});
//   PumpMainThread();                         // the link list takes the reports
#pragma once

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/main_loop.h"

namespace zs::testing {

// One running fetch. Complete and Cancel may be called from any thread, as a worker would;
// each fetch ends once.
class TFakeFetch : public platform::TComObject<IILinkMessageSupport> {
public:
  TFakeFetch(IKGetFileController *Controller, IKGetSiteJob *Job, TLinkDescription LinkDesc,
             int32_t Level)
      : Controller(Controller), Job(Job), Provider(Job->GetAsyncProvider()),
        LinkDesc(std::move(LinkDesc)), Level(Level) {}

  // Posts the links found (at the fetch's level), the outcome, then the end of the process.
  void Complete(bool Success, const std::vector<TLinkDescription> &Found = {}) {
    end();
    for (const TLinkDescription &link : Found)
      Provider->PostAddLink(link, Level);
    Provider->PostCompleteLink(LinkDesc.URL, TFetchOutcome{.Success = Success});
    PostLinkMessage(this, nullptr);
  }

  // Posts that the fetch stopped without a result, then the end of the process.
  void Cancel() {
    end();
    Provider->PostCancelLink(LinkDesc.URL);
    PostLinkMessage(this, nullptr);
  }

  const std::string &URL() const { return LinkDesc.URL; }
  bool CancelRequested() const { return cancelRequested_; }
  bool Ended() const { return ended_; }

  // The process-finished message: the slot is free again.
  void DispatchMessage(void *) override { Controller->ProcessFinished(this); }

  // Counted like a real process's: the pool holds the fetch, the fetch its controller.
  const ComPtr<IKGetFileController> Controller;
  IKGetSiteJob *const Job; // not held: the provider holds the job
  const ComPtr<IIJobAsyncProvider> Provider;
  const TLinkDescription LinkDesc;
  const int32_t Level;

private:
  friend class TFakeGetFileController;
  void end() {
    if (ended_.exchange(true)) throw std::logic_error("the fetch of " + URL() + " ended twice");
  }

  std::atomic<bool> cancelRequested_ = false;
  std::atomic<bool> ended_ = false;
};

// Used in the main thread only, as the real pool is; its fetches may end in any thread.
class TFakeGetFileController : public platform::TComObject<IKGetFileController> {
public:
  explicit TFakeGetFileController(int32_t Slots) : slots_(Slots) {}

  struct TOffer {
    IKGetSiteJob *Job;
    TTryStartResult Result;
  };

  TTryStartResult TryStartJob(IKGetSiteJob *Job) override {
    offers_.push_back({Job, start(Job)});
    return offers_.back().Result;
  }

  // A fetch asked to stop ends at once with a cancel report, as a worker does at its next
  // check; with SetCancelAtOnce(false) it is only marked, and the test ends it (even with
  // Complete: a worker may be past its last check).
  void CancelJob(IKGetSiteJob *Job) override {
    for (const ComPtr<TFakeFetch> &fetch : processes_) {
      if (Job && fetch->Job != Job) continue;
      fetch->cancelRequested_ = true;
      if (cancelAtOnce_ && !fetch->Ended()) fetch->Cancel();
    }
  }

  // Only fetches the fake started itself come here.
  void RegisterProcess(IUnknown *Process) override { processes_.emplace_back(asFetch(Process)); }

  void ProcessFinished(IUnknown *Process) override {
    std::erase(processes_, ComPtr<TFakeFetch>(asFetch(Process)));
    if (static_cast<int32_t>(processes_.size()) < slots_) GetJobExecuteController()->SlotFreed();
  }

  // Takes effect at the next offer; the scheduler learns of new slots by SlotFreed.
  void SetSlots(int32_t Slots) { slots_ = Slots; }
  void SetCancelAtOnce(bool AtOnce) { cancelAtOnce_ = AtOnce; }

  // The fetches not finished yet, oldest first (ended ones wait for their process-finished
  // message).
  std::vector<ComPtr<TFakeFetch>> Running() const { return processes_; }
  // Every offer since the last call, in order, with the answer given.
  std::vector<TOffer> TakeOffers() { return std::exchange(offers_, {}); }

private:
  TTryStartResult start(IKGetSiteJob *Job) {
    if (static_cast<int32_t>(processes_.size()) >= slots_) return tsAllBusy;
    ComPtr<IILinkList> links = Job->GetInternalLinkList();
    TLinkDescription desc;
    int32_t level = 0;
    if (!links || !links->GetNextWanted(desc, level)) return tsNoLink;
    RegisterProcess(platform::MakeCom<TFakeFetch>(this, Job, desc, level).get());
    return tsStarted;
  }
  static TFakeFetch *asFetch(IUnknown *Process) {
    return static_cast<TFakeFetch *>(static_cast<IILinkMessageSupport *>(Process));
  }

  int32_t slots_;
  bool cancelAtOnce_ = true;
  std::vector<ComPtr<TFakeFetch>> processes_;
  std::vector<TOffer> offers_;
};

// Puts a fake get-file controller into GetGetFileController, FreeGetFileController and
// GetFileControllerExists for the life of the object. FreeGetFileController drops the fake
// as the real one is dropped; a later GetGetFileController brings the same fake back.
class TScopedGetFileController {
public:
  explicit TScopedGetFileController(int32_t Slots = 1)
      : fake_(platform::MakeCom<TFakeGetFileController>(Slots)) {
    current() = fake_.get();
    swapEntries();
  }
  ~TScopedGetFileController() {
    swapEntries();
    current() = nullptr;
  }
  TScopedGetFileController(const TScopedGetFileController &) = delete;
  TScopedGetFileController &operator=(const TScopedGetFileController &) = delete;

  TFakeGetFileController *operator->() const { return fake_.get(); }

private:
  static TFakeGetFileController *&current() {
    static TFakeGetFileController *fake = nullptr;
    return fake;
  }
  static ComPtr<IKGetFileController> &installed() {
    static ComPtr<IKGetFileController> controller;
    return controller;
  }
  template <class F> static void swap(EntryPoint<F> &entry, F *&other) {
    F *previous = entry.Get();
    entry.Fill(other);
    other = previous;
  }
  void swapEntries() {
    installed().reset();
    swap(GetGetFileController, get_);
    swap(FreeGetFileController, free_);
    swap(GetFileControllerExists, exists_);
  }

  ComPtr<TFakeGetFileController> fake_;
  ComPtr<IKGetFileController> (*get_)() = [] {
    if (!installed()) installed() = current();
    return installed();
  };
  void (*free_)() = [] { installed().reset(); };
  bool (*exists_)() = [] { return static_cast<bool>(installed()); };
};

// Runs the main thread's messages until none is left; messages posted while they run are
// run too.
inline void PumpMainThread() {
  while (platform::ProcessPendingMessages() > 0) {
  }
}

} // namespace zs::testing
