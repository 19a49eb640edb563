#include <gtest/gtest.h>

#include <filesystem>

#include "tests/kernel/job_test_support.h"

namespace zs::testing {
namespace {

using TStates = std::map<std::string, TLinkState>;

std::string ErrorOf(HRESULT result) {
  EXPECT_TRUE(platform::Failed(result));
  return platform::TakeErrorInfo();
}

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
};

TEST_F(GetSiteJob, PauseCancelsTheFetchesAndPutsTheirLinksBackToWaiting) {
  controller->SetSlots(2);
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(Internal(job.get())->GetInternalLinkList()->AddLink(Link(SiteURL("a.html")), 0));
  OleCheck(job->Run());
  GetJobExecuteController()->SlotFreed();
  ASSERT_EQ(controller->Running().size(), 2u);

  OleCheck(job->Pause());
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  PumpMainThread();
  EXPECT_TRUE(controller->Running().empty());
  EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsPure}, {SiteURL("a.html"), lsPure}}));
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->States,
            (std::vector<TJobState>{jsRunning, jsStopped}));
}

TEST_F(GetSiteJob, FinishingSavesTheDescriptionLeavesTheSchedulerAndLoadsBackFinished) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  Fetched(true, {Link(SiteURL("a.html"))});
  EXPECT_EQ(StateOf(job.get()), jsRunning);
  Fetched(false);

  EXPECT_EQ(StateOf(job.get()), jsFinished);
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  EXPECT_EQ(SavedState(Dir("site")), jsFinished);
  // The saved links stand in for the journal's records.
  EXPECT_FALSE(std::filesystem::exists(Dir("site/#Sumbra.&jq")));
  auto events = TRecordingGetSiteEvents::Of(job.get());
  EXPECT_EQ(events->States, (std::vector<TJobState>{jsRunning, jsFinished}));
  EXPECT_EQ(events->ChangedLinks, std::vector<std::string>{SiteURL("a.html")});

  ComPtr<IGetSiteJob> loaded = LoadGetSiteJob(queue.get(), RemovedJobEntry(job.get()).get());
  EXPECT_EQ(StateOf(loaded.get()), jsFinished);
  EXPECT_EQ(LinkStates(loaded.get()),
            (TStates{{pageURL, lsCompleteOK}, {SiteURL("a.html"), lsCompleteBad}}));
}

TEST_F(GetSiteJob, RetryReopensOnlyFailedLinksAndStopsTheFinishedJob) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  Fetched(true, {Link(SiteURL("a.html")), Link(SiteURL("b.html"))});
  Fetched(true);
  Fetched(false);
  ASSERT_EQ(StateOf(job.get()), jsFinished);

  bool waiting = false;
  OleCheck(job->Retry(&waiting));
  EXPECT_TRUE(waiting);
  EXPECT_EQ(StateOf(job.get()), jsStopped);
  EXPECT_EQ(SavedState(Dir("site")), jsStopped);
  EXPECT_TRUE(controller->Running().empty()); // the caller runs it
  OleCheck(job->Run());
  ASSERT_EQ(controller->Running().size(), 1u);
  EXPECT_EQ(controller->Running()[0]->URL(), SiteURL("b.html"));

  Fetched(true);
  size_t stateEvents = TRecordingGetSiteEvents::Of(job.get())->States.size();
  OleCheck(job->Retry(&waiting));
  EXPECT_FALSE(waiting);
  EXPECT_EQ(StateOf(job.get()), jsFinished);
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->States.size(), stateEvents);
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
  EXPECT_TRUE(queue->Jobs.empty());
  EXPECT_TRUE(fetch->CancelRequested());
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  EXPECT_TRUE(std::filesystem::exists(Dir("site/#Sumbra.&jd")));

  // The worker was past its last check: its reports arrive for a job that is gone.
  fetch->Complete(true, {Link(SiteURL("late.html"))});
  PumpMainThread();
  EXPECT_EQ(LinkStates(links.get()), (TStates{{pageURL, lsInUse}}));
  EXPECT_EQ(events->LinkStates.size(), linkEvents);
  ComPtr<ILinkList> none;
  EXPECT_EQ(ErrorOf(job->get_LinkList(none.put())), "The job has been removed");
}

TEST_F(GetSiteJob, ALoadedJobHasTheSavedStateUnlessItWasRunning) {
  const std::pair<const char *, TJobState> cases[] = {{"jsRunning", jsStopped},
                                                      {"jsFinished", jsFinished},
                                                      {"jsfinished", jsStopped},
                                                      {"jsPaused", jsStopped}};
  for (const auto &[saved, loaded] : cases) {
    ComPtr<IXMLElement> entry = RemovedJobEntry(NewJob(saved).get());
    const std::string file = Dir(std::string(saved) + "/#Sumbra.&jd");
    std::string description = ReadFile(file);
    const std::string written = "JobState=\"jsStopped\"";
    ASSERT_NE(description.find(written), std::string::npos);
    description.replace(description.find(written), written.size(),
                        "JobState=\"" + std::string(saved) + "\"");
    WriteFile(file, description);
    EXPECT_EQ(StateOf(LoadGetSiteJob(queue.get(), entry.get()).get()), loaded) << saved;
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
  ASSERT_EQ(controller->Running().size(), 1u);
  EXPECT_EQ(controller->Running()[0]->URL(), SiteURL("b.html"));
  auto events = TRecordingGetSiteEvents::Of(again.get());
  EXPECT_TRUE(events->ChangedLinks.empty());
  EXPECT_EQ(events->LinkStates, std::vector<TLinkState>{lsInUse});
}

TEST_F(GetSiteJob, RaisingTheDepthOfAFinishedJobLetsRetryFetchTheDeeperLinks) {
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
  ASSERT_EQ(controller->Running().size(), 1u);
  EXPECT_EQ(controller->Running()[0]->URL(), SiteURL("deeper.html"));
}

TEST_F(GetSiteJob, LoweringTheDepthOfARunningJobFinishesItAtOnce) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(job->Run());
  Fetched(true, {Link(SiteURL("deeper.html"))});
  ASSERT_EQ(controller->Running().size(), 1u);

  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.DownLevel = 0; }));
  EXPECT_EQ(StateOf(job.get()), jsFinished);
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
  EXPECT_EQ(SavedState(Dir("site")), jsFinished);
}

// A job read from a job list has not read its links yet; a new depth must not find the list
// empty and finish the job.
TEST_F(GetSiteJob, ANewDepthForAJobThatHasNotReadItsLinksJudgesTheSavedOnes) {
  ComPtr<IGetSiteJob> job =
      LoadGetSiteJob(queue.get(), RemovedJobEntry(NewJob("site").get()).get());
  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.DownLevel = 3; }));
  EXPECT_EQ(StateOf(job.get()), jsStopped);
  EXPECT_EQ(LinkStates(job.get()), (TStates{{pageURL, lsPure}}));
}

TEST_F(GetSiteJob, ATitleChangeIsSavedAndToldToTheSink) {
  ComPtr<IGetSiteJob> job = NewJob("site");
  OleCheck(ChangeRequest(job.get(), [](TJobRequestDef &def) { def.Title = "Renamed"; }));
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->RequestChanges, 1);
  ComPtr<IJobRequest> saved;
  ASSERT_TRUE(LoadJobRequest(OpenJobDescription(Dir("site")).get(), saved, true));
  std::string title;
  OleCheck(saved->get_Title(&title));
  EXPECT_EQ(title, "Renamed");
}

TEST_F(GetSiteJob, RefusedRequestChangesKeepTheOldDefinition) {
  const char *const notImplemented = "Sorry, this feature is not yet implemented";
  const std::pair<void (*)(TJobRequestDef &), const char *> cases[] = {
      {[](TJobRequestDef &d) { d.PageURL += "?other"; }, notImplemented},
      {[](TJobRequestDef &d) { d.ProjectDir += "-moved"; }, notImplemented},
      {[](TJobRequestDef &d) { d.CopyType = ctExact; }, notImplemented},
      {[](TJobRequestDef &d) { d.IndexName = "home.htm"; }, notImplemented},
      {[](TJobRequestDef &d) { d.DownLevel = -2; },
       "Illegal job request. Param #3: This field is out of bounds"}};
  ComPtr<IGetSiteJob> job = NewJob("site");
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  TJobRequestDef before, after;
  OleCheck(request->AsRecDef(&before));
  for (const auto &[change, message] : cases) {
    EXPECT_EQ(ErrorOf(ChangeRequest(job.get(), change)), message);
    OleCheck(request->AsRecDef(&after));
    EXPECT_EQ(after, before) << message;
  }
  EXPECT_EQ(TRecordingGetSiteEvents::Of(job.get())->RequestChanges, 0);
}

TEST_F(GetSiteJob, AProjectDirectoryInUseIsRefusedAndLeavesNoJobInTheList) {
  ComPtr<IGetSiteJob> first = NewJob("site");
  try {
    NewJob("site");
    ADD_FAILURE() << "a second job was made in the same directory";
  } catch (const EKBadPath &error) {
    EXPECT_EQ(error.Message(),
              "Path is illegal or this job is always enqueued.\r\n\"" + Dir("site") + "\"");
  }
  EXPECT_EQ(queue->Jobs, std::vector{Internal(first.get())});
}

TEST_F(GetSiteJob, AFailureAfterRegistrationTakesTheHalfBuiltJobOutOfTheList) {
  auto failingSink = [](IKGetSiteJob *) -> ComPtr<IIGetSiteEvents> {
    throw platform::Exception("no sink");
  };
  ComPtr<IJobRequest> request = NewRequest(Dir("site"));
  EXPECT_THROW(CreateGetSiteJob(queue.get(), request.get(), failingSink), platform::Exception);
  EXPECT_TRUE(queue->Jobs.empty());
  // The request is still free for a job that works out.
  ComPtr<IGetSiteJob> job = CreateGetSiteJob(queue.get(), request.get(), nullptr);
  EXPECT_EQ(queue->Jobs.size(), 1u);
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

} // namespace
} // namespace zs::testing
