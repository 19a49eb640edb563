#include <gtest/gtest.h>

#include "tests/kernel/job_test_support.h"

namespace zs::testing {
namespace {

using TOffers = std::vector<std::string>;

// Jobs known by name, so that the offers read as "<job> <answer>".
class JobExecuteController : public JobTest {
protected:
  ComPtr<IGetSiteJob> RunJob(const std::string &name, int waitingLinks) {
    ComPtr<IGetSiteJob> job = NewJob(name);
    for (int i = 0; i < waitingLinks; ++i)
      OleCheck(Internal(job.get())->GetInternalLinkList()->AddLink(
          Link(SiteURL(std::to_string(i) + ".html")), 0));
    names_[Internal(job.get()).get()] = name;
    OleCheck(job->Run());
    return job;
  }

  TOffers Offers() {
    static const char *const results[] = {"started", "no link", "busy"};
    TOffers offers;
    for (const TFakeGetFileController::TOffer &offer : controller->TakeOffers())
      offers.push_back(names_.at(offer.Job) + " " + results[offer.Result]);
    return offers;
  }

private:
  std::map<IKGetSiteJob *, std::string> names_;
};

TEST_F(JobExecuteController, ThreeJobsOnOneSlotResumeAtTheRefusedThirdThenWrapAround) {
  controller->SetSlots(0);
  ComPtr<IGetSiteJob> jobs[] = {RunJob("first", 2), RunJob("second", 2), RunJob("third", 2)};
  // The first one's refusal held back the offers of the others.
  EXPECT_EQ(Offers(), TOffers{"first busy"});

  controller->SetSlots(1);
  GetJobExecuteController()->SlotFreed();
  EXPECT_EQ(Offers(), (TOffers{"first started", "second busy", "third busy"}));

  controller->Running()[0]->Complete(true);
  PumpMainThread();
  EXPECT_EQ(Offers(), (TOffers{"third started", "first busy", "second busy", "third busy"}));
}

TEST_F(JobExecuteController, RunStartsOneFetchAFreedSlotFillsTheOthersAndTheJobStaysUntilDone) {
  controller->SetSlots(3);
  ComPtr<IGetSiteJob> job = RunJob("site", 1);
  EXPECT_EQ(Offers(), TOffers{"site started"});
  GetJobExecuteController()->SlotFreed();
  EXPECT_EQ(Offers(), (TOffers{"site started", "site no link"}));
  // With nothing to fetch now, it stays until its running links are done.
  EXPECT_TRUE(GetJobExecuteController()->HasJobs());
  for (int fetch = 0; fetch < 2; ++fetch) {
    controller->Running()[0]->Complete(true);
    PumpMainThread();
  }
  EXPECT_FALSE(GetJobExecuteController()->HasJobs());
}

TEST_F(JobExecuteController, PausingTheJobAtTheCursorStartsTheNextPassAtTheFirstJob) {
  controller->SetSlots(0);
  ComPtr<IGetSiteJob> jobs[] = {RunJob("first", 1), RunJob("second", 1), RunJob("third", 1)};
  controller->SetSlots(1);
  GetJobExecuteController()->SlotFreed(); // the cursor stops at the third
  OleCheck(jobs[2]->Pause());
  Offers();

  controller->Running()[0]->Complete(true);
  PumpMainThread();
  EXPECT_EQ(Offers(), (TOffers{"first started", "second busy"}));
}

// A job run again when every link is done already (its journal said so) finishes during
// its first offer; the job behind it must still get its turn in that pass.
TEST_F(JobExecuteController, AJobThatFinishesDuringItsOfferLetsTheNextJobStart) {
  ComPtr<IXMLElement> entry = ListEntryOf(NewJob("done").get());
  OleCheck(Jobs()[0]->Remove());
  auto done = CreateLinkList(nullptr, -1).As<IILinkList>();
  done->AddLinkEx(Link(pageURL, ltUserEntered), 0, lsCompleteOK);
  SaveJobDescription(jsStopped, NewRequest(Dir("done")).get(), done.get(), Dir("done"));

  controller->SetSlots(0);
  ComPtr<IGetSiteJob> finished = LoadGetSiteJob(queue.get(), entry.get());
  OleCheck(finished->Run());
  ComPtr<IGetSiteJob> waiting = RunJob("waiting", 0);
  controller->SetSlots(1);
  GetJobExecuteController()->SlotFreed();

  EXPECT_EQ(StateOf(finished.get()), jsFinished);
  ASSERT_EQ(controller->Running().size(), 1u);
  EXPECT_EQ(controller->Running()[0]->Job, Internal(waiting.get()).get());
}

} // namespace
} // namespace zs::testing
