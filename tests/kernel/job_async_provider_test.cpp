#include <gtest/gtest.h>

#include <thread>

#include "kernel/job_async_provider.h"
#include "tests/kernel/job_test_support.h"

namespace zs::testing {
namespace {

using JobAsyncProvider = JobTest;

TEST_F(JobAsyncProvider, ReportsOfAWorkerThreadApplyOnlyWhenTheMainThreadRunsThem) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  ComPtr<IIJobAsyncProvider> provider = controller->Running()[0]->Provider;
  EXPECT_EQ(Internal(job.get())->GetAsyncProvider(), provider); // one per job
  EXPECT_EQ(provider.As<IPJobAsyncProvider>()->GetJob(), Internal(job.get()));
  auto events = TRecordingGetSiteEvents::Of(job.get());

  std::string requestedPage;
  std::thread worker([&] {
    provider->GetFileEvents()->Install();
    OleCheck(provider->GetJobRequest()->get_PageURL(&requestedPage));
    provider->PostAddLink(Link(SiteURL("found.html")), 0);
    provider->PostCompleteLink(pageURL, true);
  });
  worker.join();
  EXPECT_EQ(requestedPage, pageURL);
  EXPECT_EQ(events->ThreadContext->Installs, 1);
  EXPECT_EQ(LinkStates(job.get()), (std::map<std::string, TLinkState>{{pageURL, lsInUse}}));

  PumpMainThread();
  EXPECT_EQ(LinkStates(job.get()), (std::map<std::string, TLinkState>{
                                       {pageURL, lsCompleteOK}, {SiteURL("found.html"), lsPure}}));
  EXPECT_EQ(events->ChangedLinks, std::vector<std::string>{SiteURL("found.html")});
}

TEST_F(JobAsyncProvider, APostedLinkKeepsItsOwnCopyOfTheParameters) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  ComPtr<IIJobAsyncProvider> provider = Internal(job.get())->GetAsyncProvider();
  TLinkDescription link = Link(SiteURL("logo.png"), ltImage);
  link.Tag = "img";
  link.Params = CreateParams();
  OleCheck(link.Params->put_Value("alt", "Logo"));
  provider->PostAddLink(link, 0);
  OleCheck(link.Params->put_Value("alt", "changed by the parser"));
  PumpMainThread();

  std::string alt;
  Internal(job.get())->GetInternalLinkList()->EnumerateLinks(
      [&](const TLinkDescription &desc, int32_t, TLinkState) {
        if (desc.URL == link.URL) OleCheck(desc.Params->get_Value("alt", &alt));
      });
  EXPECT_EQ(alt, "Logo");
}

// A job reduced to its lifetime and its link list, for the provider alone.
class TBareJob : public platform::TComObject<IKGetSiteJob> {
public:
  explicit TBareJob(std::atomic<int> &endedInMain) : endedInMain_(endedInMain) {}
  ~TBareJob() override { endedInMain_ = platform::IsMainThread() ? 1 : -1; }

  HRESULT get_JobRequest(IJobRequest **) override { return platform::E_NOTIMPL; }
  HRESULT get_State(TJobState *) override { return platform::E_NOTIMPL; }
  HRESULT get_LinkList(ILinkList **) override { return platform::E_NOTIMPL; }
  HRESULT Pause() override { return platform::E_NOTIMPL; }
  HRESULT Run() override { return platform::E_NOTIMPL; }
  HRESULT Remove() override { return platform::E_NOTIMPL; }
  HRESULT Retry(bool *) override { return platform::E_NOTIMPL; }
  ComPtr<IIGetSiteEvents> GetEvents() override { return nullptr; }
  ComPtr<IILinkList> GetInternalLinkList() override { return Links; }
  void SaveTo(IXMLElement *) override {}
  ComPtr<IIJobAsyncProvider> GetAsyncProvider() override { return nullptr; }

  ComPtr<IILinkList> Links; // none: the job was removed

private:
  std::atomic<int> &endedInMain_;
};

// Reports for a removed job are dropped, and the job's last reference, held by a worker,
// goes in the main thread.
TEST(JobAsyncProviderAlone, ReportsForARemovedJobAreDroppedAndItEndsInTheMainThread) {
  std::atomic<int> jobEndedInMain = 0;
  ComPtr<IIJobAsyncProvider> provider =
      kernel::NewJobAsyncProvider(platform::MakeCom<TBareJob>(jobEndedInMain).get());
  TLinkDescription link = Link(SiteURL("a.html"));
  link.Params = CreateParams();
  provider->PostAddLink(link, 0);
  provider->PostCompleteLink(pageURL, true);
  provider->PostCancelLink(pageURL);
  EXPECT_EQ(platform::ProcessPendingMessages(), 3);
  std::thread([held = std::move(provider)]() mutable { held.reset(); }).join();
  EXPECT_EQ(jobEndedInMain, 0);
  PumpMainThread();
  EXPECT_EQ(jobEndedInMain, 1);
}

} // namespace
} // namespace zs::testing
