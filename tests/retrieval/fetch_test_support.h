// The fixture of the tests that run whole jobs through the real get-file controller: a job
// of the real kernel in a job list of its own, fetching a site of "file" URLs into a project
// folder, with a sink that keeps the job's log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {

// The targets of href="...", src="...", action="..." and url(...) in a page or style sheet.
inline std::vector<std::string> LinkTargets(const std::string &Text) {
  std::vector<std::string> targets;
  for (auto [opening, closing] :
       {std::pair{"href=\"", '"'}, {"src=\"", '"'}, {"action=\"", '"'}, {"url(", ')'}}) {
    const std::string open = opening;
    for (size_t at = Text.find(open); at != std::string::npos; at = Text.find(open, at + 1)) {
      size_t start = at + open.size();
      targets.push_back(Text.substr(start, Text.find(closing, start) - start));
    }
  }
  return targets;
}

// A link's text with every %XX replaced by its byte, as a file name on the disk has it.
inline std::string DecodePercent(const std::string &Text) {
  std::string out;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '%' && i + 2 < Text.size()) {
      out += static_cast<char>(std::stoi(Text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += Text[i];
    }
  }
  return out;
}

class FetchTest : public ::testing::Test {
protected:
  void SetUp() override { FreeJobExecuteController(); }

  void TearDown() override {
    queue->RemoveAll();
    SettleFetches();
    FreeGetFileController();
    FreeJobExecuteController();
  }

  // The URL of a file of the site folder.
  std::string SiteURL(const std::string &name = "") const { return "file://" + site.File(name); }

  ComPtr<IGetSiteJob> NewJob(TCopyType copyType, const std::string &page = "index.html") {
    TJobRequestDef def{"Site",        copyType,  -1,    "",
                       SiteURL(page), SiteURL(), false, project.File("copy")};
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
