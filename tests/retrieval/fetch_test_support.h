// The fixture of the tests that run whole jobs through the real get-file controller: a job
// of the real kernel in a job list of its own, copying into a project folder, with a sink
// that keeps the job's log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {

class FetchTest : public ::testing::Test {
protected:
  void SetUp() override { FreeJobExecuteController(); }

  void TearDown() override {
    queue->RemoveAll();
    SettleFetches();
    FreeGetFileController();
    FreeJobExecuteController();
  }

  // The URL of a file of the local site folder.
  std::string SiteURL(const std::string &name = "") const { return "file://" + site.File(name); }

  // A job copying the site below siteURL, starting at pageURL (by default the local site).
  ComPtr<IGetSiteJob> NewJob(TCopyType copyType, std::string pageURL = "",
                             std::string siteURL = "") {
    if (pageURL.empty()) pageURL = SiteURL("index.html"), siteURL = SiteURL();
    TJobRequestDef def{"Site", copyType, -1, "", pageURL, siteURL, false, project.File("copy")};
    ComPtr<IJobRequest> request = CreateJobRequest();
    OleCheck(request->Change(def));
    return queue->CreateJob(request.get(), &LogGetSiteEvents);
  }

  static TJobState StateOf(IGetSiteJob *job) {
    TJobState state = jsStopped;
    OleCheck(job->get_State(&state));
    return state;
  }

  // Runs the job until it has fetched every link; false when it did not finish in time.
  static bool RunToEnd(IGetSiteJob *job) {
    OleCheck(job->Run());
    return PumpUntil([&] { return StateOf(job) == jsFinished; });
  }

  static ComPtr<IKGetSiteJob> Internal(IGetSiteJob *job) {
    return ComPtr<IGetSiteJob>(job).As<IKGetSiteJob>();
  }

  // Every link of the job with its state, by URL.
  static std::map<std::string, TLinkState> LinkStates(IGetSiteJob *job) {
    std::map<std::string, TLinkState> states;
    Internal(job)->GetInternalLinkList()->EnumerateLinks(
        [&](const TLinkDescription &desc, int32_t, TLinkState state) { states[desc.URL] = state; });
    return states;
  }

  static int InUse(IGetSiteJob *job) {
    int count = 0;
    for (const auto &[url, state] : LinkStates(job))
      count += state == lsInUse;
    return count;
  }

  // The local file of a URL in the job's copy.
  static std::string LocalFileOf(IGetSiteJob *job, const std::string &url) {
    ComPtr<IJobRequest> request;
    OleCheck(job->get_JobRequest(request.put()));
    ComPtr<IURLParser> parser = CreateURLParser("", request.get());
    bool accepted = false;
    OleCheck(parser->SetURL(url, &accepted));
    EXPECT_TRUE(accepted) << url;
    TLocalFileName name;
    OleCheck(parser->GetLocalFileName(&name));
    return name;
  }

  static std::vector<std::string> LogOf(IGetSiteJob *job) {
    ComPtr<IIGetSiteEvents> events = Internal(job)->GetEvents();
    return static_cast<TLogGetSiteEvents *>(events.get())->Log->Lines();
  }

  TempDir site, project;
  ComPtr<TTestJobQueue> queue = platform::MakeCom<TTestJobQueue>();
};

} // namespace zs::testing
