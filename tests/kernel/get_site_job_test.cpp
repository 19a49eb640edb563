#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "kernel/job_async_provider.h"
#include "tests/kernel/job_test_support.h"

namespace zs::testing {
namespace {

using TStates = std::map<std::string, TLinkState>;

const TFetchOutcome succeeded{.Success = true};

class GetSiteJob : public JobTest {
protected:
  // Changes the job's request through its published interface, as the user does.
  HRESULT ChangeRequest(IGetSiteJob *job, void (*change)(TJobRequestDef &def)) {
    ComPtr<IJobRequest> request;
    OleCheck(job->get_JobRequest(request.put()));
    TJobRequestDef def;
    OleCheck(request->AsRecDef(&def));
    change(def);
    return request->Change(def);
  }
  // Ends the oldest running fetch and lets the main thread take its reports.
  void Fetched(bool success, const std::vector<TLinkDescription> &found = {}) {
    controller->Running().at(0)->Complete(success, found);
    PumpMainThread();
  }
  // A job list entry of a job that is no longer in the list; its files stay.
  ComPtr<IXMLElement> RemovedJobEntry(IGetSiteJob *job) {
    ComPtr<IXMLElement> entry = ListEntryOf(job);
    OleCheck(job->Remove());
    PumpMainThread();
    return entry;
  }
  std::string RunningURL() {
    EXPECT_EQ(controller->Running().size(), 1u);
    return controller->Running().empty() ? "" : controller->Running()[0]->URL();
  }
};

// Pausing and retrying a real copy are tested end to end in tests/retrieval.
TEST_F(GetSiteJob, FinishingSavesTheJobWhichLoadsBackFinishedAndRetriesOnlyFailedLinks) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  Fetched(true, {Link(SiteURL("a.html")), Link(SiteURL("b.html"))});
  Fetched(true);
  Fetched(false);

  EXPECT_EQ(StateOf(job.get()), jsFinished);
  EXPECT_EQ(SavedState(Dir("site")), jsFinished);
  // The saved links stand in for the journal's records.
  EXPECT_FALSE(std::filesystem::exists(Dir("site/#Sumbra.&jq")));
  auto events = TRecordingGetSiteEvents::Of(job.get());
  EXPECT_EQ(events->States, (std::vector<TJobState>{jsRunning, jsFinished}));
  EXPECT_EQ(events->ChangedLinks, (std::vector<std::string>{SiteURL("a.html"), SiteURL("b.html")}));

  ComPtr<IGetSiteJob> loaded = LoadGetSiteJob(queue.get(), RemovedJobEntry(job.get()).get());
  EXPECT_EQ(StateOf(loaded.get()), jsFinished);
  EXPECT_EQ(LinkStates(loaded.get()), (TStates{{pageURL, lsCompleteOK},
                                               {SiteURL("a.html"), lsCompleteOK},
                                               {SiteURL("b.html"), lsCompleteBad}}));
  bool waiting = false;
  OleCheck(loaded->Retry(&waiting));
  EXPECT_TRUE(waiting);
  EXPECT_EQ(StateOf(loaded.get()), jsStopped);
  EXPECT_EQ(SavedState(Dir("site")), jsStopped);
  EXPECT_TRUE(controller->Running().empty()); // the caller runs it
  OleCheck(loaded->Run());
  EXPECT_EQ(RunningURL(), SiteURL("b.html"));
  Fetched(true);
  OleCheck(loaded->Retry(&waiting)); // nothing failed
  EXPECT_FALSE(waiting);
  EXPECT_EQ(StateOf(loaded.get()), jsFinished);
}

TEST_F(GetSiteJob, RemoveCancelsTheFetchesTellsTheSinkAndDropsLaterReports) {
  controller->SetCancelAtOnce(false);
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  ComPtr<TFakeFetch> fetch = controller->Running()[0];
  auto events = TRecordingGetSiteEvents::Of(job.get());
  ComPtr<IILinkList> links = Internal(job.get())->GetInternalLinkList();
  size_t linkEvents = events->LinkStates.size();

  OleCheck(job->Remove());
  EXPECT_EQ(events->Removals, 1);
  EXPECT_TRUE(Jobs().empty());
  EXPECT_TRUE(fetch->CancelRequested());
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  EXPECT_TRUE(std::filesystem::exists(Dir("site/#Sumbra.&jd")));

  // The worker was past its last check: its reports arrive for a job that is gone.
  fetch->Complete(true, {Link(SiteURL("late.html"))});
  PumpMainThread();
  EXPECT_EQ(LinkStates(links.get()), (TStates{{pageURL, lsInUse}}));
  EXPECT_EQ(events->LinkStates.size(), linkEvents);
  ComPtr<ILinkList> none;
  EXPECT_EQ(FailureOf(job->get_LinkList(none.put())), "The job has been removed");
}

// A loaded job has not read its links yet: a new depth must not find the list empty and
// finish it.
TEST_F(GetSiteJob, ALoadedJobHasTheSavedStateUnlessItWasRunningAndANewDepthKeepsIt) {
  const std::pair<const char *, TJobState> cases[] = {
      {"jsRunning", jsStopped}, {"jsFinished", jsFinished}, {"jsfinished", jsStopped}};
  int n = 0; // folder names differing only in case would be the same folder to the list
  for (const auto &[saved, loaded] : cases) {
    const std::string name = "job" + std::to_string(++n);
    ComPtr<IXMLElement> entry = RemovedJobEntry(NewJob(name).get());
    const std::string file = Dir(name + "/#Sumbra.&jd"), written = "JobState=\"jsStopped\"";
    std::string description = ReadFile(file);
    ASSERT_NE(description.find(written), std::string::npos);
    WriteFile(file, description.replace(description.find(written), written.size(),
                                        "JobState=\"" + std::string(saved) + "\""));
    ComPtr<IGetSiteJob> job = LoadGetSiteJob(queue.get(), entry.get());
    EXPECT_EQ(StateOf(job.get()), loaded) << saved;
    OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.DownLevel = 3; }));
    EXPECT_EQ(StateOf(job.get()), loaded) << saved;
    EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsPure}})) << saved;
  }
}

// A job interrupted with its page done, a found link failed and another being fetched; its
// description was not saved again, so only the journal knows of the links. It reads them on
// first need, without starting fetches or telling the sink.
TEST_F(GetSiteJob, AnInterruptedJobComesBackStoppedAndReadsItsJournalOnItsFirstOffer) {
  auto interrupted = [&](const std::string &name) {
    ComPtr<IGetSiteJob> job = NewJob(name);
    OleCheck(job->Run());
    Fetched(true, {Link(SiteURL("a.html")), Link(SiteURL("b.html"))});
    Fetched(false);
    return LoadGetSiteJob(queue.get(), RemovedJobEntry(job.get()).get());
  };
  ComPtr<IGetSiteJob> job = interrupted("site");
  EXPECT_EQ(StateOf(job.get()), jsStopped);
  EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsCompleteOK},
                                            {SiteURL("a.html"), lsCompleteBad},
                                            {SiteURL("b.html"), lsPure}}));

  ComPtr<IGetSiteJob> again = interrupted("other");
  controller->TakeOffers();
  OleCheck(again->Run()); // its one offer reads the links
  EXPECT_EQ(controller->TakeOffers().size(), 1u);
  EXPECT_EQ(RunningURL(), SiteURL("b.html"));
  auto events = TRecordingGetSiteEvents::Of(again.get());
  EXPECT_TRUE(events->ChangedLinks.empty());
  EXPECT_EQ(events->LinkStates, std::vector<TLinkState>{lsInUse});
}

TEST_F(GetSiteJob, ANewDepthRetriesDeeperLinksOfAFinishedJobAndFinishesARunningOneAtOnce) {
  ComPtr<IGetSiteJob> job = NewJob("site", 0);
  OleCheck(job->Run());
  Fetched(true, {Link(SiteURL("deeper.html"))});
  ASSERT_EQ(StateOf(job.get()), jsFinished);

  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.DownLevel = 1; }));
  EXPECT_EQ(StateOf(job.get()), jsFinished);
  bool waiting = false;
  OleCheck(job->Retry(&waiting));
  ASSERT_TRUE(waiting);
  OleCheck(job->Run());
  EXPECT_EQ(RunningURL(), SiteURL("deeper.html"));

  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.DownLevel = 0; }));
  EXPECT_EQ(StateOf(job.get()), jsFinished);
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  EXPECT_EQ(SavedState(Dir("site")), jsFinished);
}

TEST_F(GetSiteJob, ATitleChangeIsSavedAndToldButOtherChangesAreRefusedAndKeepTheOldOne) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.Title = "Renamed"; }));
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->RequestChanges, 1);
  ComPtr<IJobRequest> saved;
  ASSERT_TRUE(LoadJobRequest(OpenJobDescription(Dir("site")).get(), saved, true));
  std::string title;
  OleCheck(saved->get_Title(&title));
  EXPECT_EQ(title, "Renamed");

  // The page, the folder and the kind of copy stay as the job was made.
  void (*const refused[])(TJobRequestDef &) = {[](TJobRequestDef &d) { d.PageURL += "?other"; },
                                               [](TJobRequestDef &d) { d.ProjectDir += "-moved"; },
                                               [](TJobRequestDef &d) { d.CopyType = ctExact; }};
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  TJobRequestDef before, after;
  OleCheck(request->AsRecDef(&before));
  for (auto change : refused) {
    EXPECT_EQ(FailureOf(ChangeRequest(job.get(), change)),
              "Sorry, this feature is not yet implemented");
    OleCheck(request->AsRecDef(&after));
    EXPECT_EQ(after, before);
  }
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->RequestChanges, 1);
}

TEST_F(GetSiteJob, AJobThatCannotBeMadeLeavesNoJobInTheList) {
  ComPtr<IGetSiteJob> first = NewJob("site");
  try {
    NewJob("site");
    ADD_FAILURE() << "a second job was made in the same directory";
  } catch (const EKBadPath &error) {
    EXPECT_EQ(error.Message(),
              "Path is illegal or this job is always enqueued.\r\n\"" + Dir("site") + "\"");
  }
  EXPECT_EQ(Jobs(), std::vector{first});

  // A failure after registration takes the half-built job out again.
  auto failingSink = [](IKGetSiteJob *) -> ComPtr<IIGetSiteEvents> {
    throw platform::Exception("no sink");
  };
  ComPtr<IJobRequest> request = NewRequest(Dir("other"));
  EXPECT_THROW(CreateGetSiteJob(queue.get(), request.get(), failingSink), platform::Exception);
  EXPECT_EQ(Jobs().size(), 1u);
  CreateGetSiteJob(queue.get(), request.get(), nullptr); // the request is still free
  EXPECT_EQ(Jobs().size(), 2u);
}

TEST_F(GetSiteJob, RunRecreatesAMissingProjectDirectoryButReportsNoStateWhileShuttingDown) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  std::filesystem::remove_all(Dir("site"));
  KernelShuttingDown = true;
  OleCheck(job->Run());
  KernelShuttingDown = false;
  EXPECT_EQ(StateOf(job.get()), jsRunning);
  EXPECT_EQ(SavedState(Dir("site")), jsStopped);
  EXPECT_TRUE(TRecordingGetSiteEvents::Of(job.get())->States.empty());
}

using JobAsyncProvider = JobTest;

TEST_F(JobAsyncProvider, ReportsOfAWorkerApplyWhenTheMainThreadRunsThemWithTheirOwnParameters) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  ComPtr<IIJobAsyncProvider> provider = controller->Running()[0]->Provider;
  auto events = TRecordingGetSiteEvents::Of(job.get());
  TLinkDescription link = Link(SiteURL("logo.png"), ltImage);
  link.Params = CreateParams();
  OleCheck(link.Params->put_Value("alt", "Logo"));

  std::string requestedPage;
  std::thread([&] {
    provider->GetFileEvents()->Install();
    OleCheck(provider->GetJobRequest()->get_PageURL(&requestedPage));
    provider->PostAddLink(link, 0);
    OleCheck(link.Params->put_Value("alt", "changed by the parser"));
    provider->PostCompleteLink(pageURL, succeeded);
  }).join();
  EXPECT_EQ(requestedPage, pageURL);
  EXPECT_EQ(events->ThreadContext->Installs, 1);
  EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsInUse}}));

  PumpMainThread();
  EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsCompleteOK}, {link.URL, lsPure}}));
  EXPECT_EQ(events->ChangedLinks, std::vector<std::string>{link.URL});
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
  provider->PostCompleteLink(pageURL, succeeded);
  provider->PostCancelLink(pageURL);
  EXPECT_EQ(platform::ProcessPendingMessages(), 3);
  std::thread([held = std::move(provider)]() mutable { held.reset(); }).join();
  EXPECT_EQ(jobEndedInMain, 0);
  PumpMainThread();
  EXPECT_EQ(jobEndedInMain, 1);
}

} // namespace
} // namespace zs::testing
