#include "retrieval/get_file_controller.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::retrieval {

namespace {

using platform::OleCheck;

// "http://host:port" of a URL handed out by a link list, which starts so.
std::string HostOfURL(const std::string &url) {
  const size_t scheme = url.find("://");
  const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
  return url.substr(0, std::min(url.find('/', start), url.size()));
}

class TGetFileController final : public platform::TComObject<IKGetFileController, IProfilerEvents> {
public:
  // Reads the limit and listens for its changes.
  void Advise() {
    ComPtr<IProfilerNames> profiler = GetProfiler();
    int32_t maxAllowed = 0;
    OleCheck(profiler->get_MaxGetProcessAllowed(&maxAllowed));
    MaxAllowed = maxAllowed;
    Variant perHost;
    OleCheck(profiler->get_Param("MaxFetchesPerHost", &perHost));
    MaxPerHost = perHost.IsNull() ? 0 : perHost.AsInteger();
    OleCheck(profiler->Advise(this, &AdviseID));
    advised_ = true;
  }

  // The settings hold the controller while it listens: it stops listening when it is
  // dropped, so that the last fetch still running can free it.
  void Unadvise() {
    if (!std::exchange(advised_, false)) return;
    // A refused Unadvice means the settings no longer hold the listener; its error info is
    // dropped so that it cannot label a later failure of this thread.
    if (platform::Failed(GetProfiler()->Unadvice(AdviseID))) platform::TakeErrorInfo();
  }

  TTryStartResult TryStartJob(IKGetSiteJob *Job) override {
    if (static_cast<int32_t>(Processes.size()) >= MaxAllowed) return tsAllBusy;
    ComPtr<IILinkList> links = Job->GetInternalLinkList();
    TLinkDescription linkDesc;
    int32_t level = 0;
    bool hostSkipped = false;
    const int32_t perHost = MaxPerHost;
    IILinkList::THostBusy busy;
    if (perHost > 0)
      busy = [&](const std::string &host) {
        auto running = PerHost.find(host);
        const bool full = running != PerHost.end() && running->second >= perHost;
        hostSkipped = hostSkipped || full;
        return full;
      };
    if (!links || !links->GetNextWanted(linkDesc, level, busy))
      return hostSkipped ? tsHostsBusy : tsNoLink;
    try {
      CreateGetFileProcess(this, Job->GetAsyncProvider().get(), linkDesc, level);
    } catch (...) {
      // The link was handed out for this fetch: without one it must wait again.
      links->CancelLink(linkDesc.URL);
      throw;
    }
    ++PerHost[HostOfURL(linkDesc.URL)];
    return tsStarted;
  }

  void CancelJob(IKGetSiteJob *Job) override {
    ComPtr<IIJobAsyncProvider> owner = Job ? Job->GetAsyncProvider() : nullptr;
    // Cancel does not change the pool, but a copy keeps the walk safe if it ever does.
    for (const ComPtr<IKGetFileProcess> &process : std::vector(Processes))
      if (!Job || process->GetOwner() == owner) process->Cancel();
  }

  void RegisterProcess(IUnknown *Process) override {
    Processes.push_back(ComPtr<IUnknown>(Process).As<IKGetFileProcess>());
  }

  void ProcessFinished(IUnknown *Process) override {
    ComPtr<IKGetFileProcess> process = ComPtr<IUnknown>(Process).As<IKGetFileProcess>();
    auto found = std::find(Processes.begin(), Processes.end(), process);
    if (found != Processes.end()) {
      Processes.erase(found);
      auto host = PerHost.find(HostOfURL(process->GetURL()));
      if (host != PerHost.end() && --host->second <= 0) PerHost.erase(host);
    }
    TryStartNext();
  }

  HRESULT ParamChanged(const std::string &Param, const Variant &NewValue) override {
    return platform::SafeCall([&] {
      if (platform::SameTextIgnoringCase(Param, "MaxFetchesPerHost"))
        MaxPerHost = NewValue.AsInteger();
      else if (platform::SameTextIgnoringCase(Param, "MaxGetProcessAllowed"))
        MaxAllowed = NewValue.AsInteger();
      else
        return;
      // The change may come from any thread; the pool is the main thread's.
      AddRef();
      PostToMainThread(&tryStartNextPosted, static_cast<IKGetFileController *>(this));
    });
  }

private:
  static void tryStartNextPosted(void *Controller) {
    auto controller = ComPtr<TGetFileController>::Attach(
        static_cast<TGetFileController *>(static_cast<IKGetFileController *>(Controller)));
    controller->TryStartNext();
  }

  void TryStartNext() {
    if (static_cast<int32_t>(Processes.size()) < MaxAllowed) GetJobExecuteController()->SlotFreed();
  }

  std::atomic<int32_t> MaxAllowed = 0;
  std::atomic<int32_t> MaxPerHost = 0;             // 0: no limit of its own
  std::vector<ComPtr<IKGetFileProcess>> Processes; // main thread only
  // The fetches running on each host, by the start of their URLs; main thread only.
  std::unordered_map<std::string, int32_t> PerHost;
  int32_t AdviseID = 0;
  bool advised_ = false;
};

std::mutex controllerLock; // guards controller
ComPtr<TGetFileController> controller;

} // namespace

ComPtr<IKGetFileController> GetGetFileController() {
  std::lock_guard guard(controllerLock);
  if (!controller) {
    ComPtr<TGetFileController> created = platform::MakeCom<TGetFileController>();
    created->Advise();
    controller = created;
  }
  return controller;
}

void FreeGetFileController() {
  ComPtr<TGetFileController> dropped;
  {
    std::lock_guard guard(controllerLock);
    dropped = std::exchange(controller, nullptr);
  }
  if (dropped) dropped->Unadvise();
}

bool GetFileControllerExists() {
  std::lock_guard guard(controllerLock);
  return static_cast<bool>(controller);
}

} // namespace zs::retrieval
