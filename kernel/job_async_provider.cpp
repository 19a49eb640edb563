#include "kernel/job_async_provider.h"

#include <memory>
#include <mutex>

#include "kernel/link_messages.h"
#include "platform/safecall.h"
#include "platform/worker_pool.h"

namespace zs::kernel {

namespace {

class TJobAsyncProvider final
    : public platform::TComObject<IPJobAsyncProvider, IILinkMessageSupport> {
public:
  explicit TJobAsyncProvider(IKGetSiteJob *Job) : Job(Job) {}

  // A worker thread may hold the last reference of the provider; the job's last reference
  // must still go in the main thread, where jobs live.
  ~TJobAsyncProvider() override { ReleaseInMainThread(Job.get()); }

  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    ComPtr<IIGetSiteEvents> events = Job->GetEvents();
    if (!events) return nullptr; // the job was removed
    ComPtr<IIThreadContextSupport> reporter = events->GetFileEvents();
    // Removing the job in the meantime may have left this the sink's last reference, which
    // belongs to the main thread like the sink itself.
    ReleaseInMainThread(events.get());
    return reporter;
  }

  ComPtr<IJobRequest> GetJobRequest() override {
    ComPtr<IJobRequest> request;
    platform::OleCheck(Job->get_JobRequest(request.put()));
    return request;
  }

  void PostCompleteLink(const std::string &URL, const TFetchOutcome &Outcome) override {
    postPendingLinks();
    post(std::make_unique<TCompleteLink>(this, URL, Outcome));
  }

  void PostCancelLink(const std::string &URL) override {
    postPendingLinks();
    post(std::make_unique<TCancelLink>(this, URL));
  }

  // A fetch's links go to the main thread together, before its end or once there are many,
  // so that the main thread is not woken for each; a link posted by another thread goes at
  // once, as nothing tells of its end.
  void PostAddLink(const TLinkDescription &LinkDesc, int32_t CurrentLevel) override {
    if (!platform::InWorkerThread()) {
      auto message = std::make_unique<TAddLinksMessage>(this);
      message->Add(LinkDesc, CurrentLevel);
      post(std::move(message));
      return;
    }
    if (pendingLinks && pendingLinks->Provider.get() != this) postPendingLinks();
    if (!pendingLinks) pendingLinks = std::make_unique<TAddLinksMessage>(this);
    pendingLinks->Add(LinkDesc, CurrentLevel);
    if (pendingLinks->Count() >= LinksPerMessage) postPendingLinks();
  }

  ComPtr<IUnknown> GetHostManners() override {
    std::lock_guard guard(mannersLock);
    if (!Manners && CreateHostManners.IsFilled()) Manners = CreateHostManners();
    return Manners;
  }

  ComPtr<IKGetSiteJob> GetJob() override { return Job; }

  void ForgetHostManners() override {
    std::lock_guard guard(mannersLock);
    Manners = nullptr;
  }

  void DispatchMessage(void *Message) override {
    std::unique_ptr<TPostMessage> message(static_cast<TPostMessage *>(Message));
    ComPtr<IKGetSiteJob> job = message->Provider->GetJob();
    // A removed job has no link list any more: what its last fetches report is dropped.
    message->LinkList = job->GetInternalLinkList();
    if (message->LinkList) message->Execute();
  }

private:
  static constexpr size_t LinksPerMessage = 256;
  // The links this worker thread found and has not posted yet; the message holds its
  // provider, which posts it.
  static thread_local std::unique_ptr<TAddLinksMessage> pendingLinks;

  static void postPendingLinks() {
    if (!pendingLinks) return;
    auto *provider = static_cast<TJobAsyncProvider *>(pendingLinks->Provider.get());
    provider->post(std::move(pendingLinks));
  }

  void post(std::unique_ptr<TPostMessage> message) {
    PostLinkMessage(this, message.get());
    // The queue owns it now; DispatchMessage frees it.
    message.release();
  }

  const ComPtr<IKGetSiteJob> Job;
  std::mutex mannersLock; // guards Manners
  ComPtr<IUnknown> Manners;
};

thread_local std::unique_ptr<TAddLinksMessage> TJobAsyncProvider::pendingLinks;

} // namespace

ComPtr<IIJobAsyncProvider> NewJobAsyncProvider(IKGetSiteJob *Job) {
  return platform::MakeCom<TJobAsyncProvider>(Job);
}

} // namespace zs::kernel
