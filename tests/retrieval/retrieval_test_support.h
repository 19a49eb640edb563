// What the retrieval tests share: jobs of the real kernel in a job list of their own, a
// job sink whose reporter collects what worker threads report, a display that records the
// progress of fetches, and the fixture of the tests that run whole jobs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "kernel/quiet_get_site_events.h"
#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "retrieval/get_file_process.h"
#include "tests/kernel/job_test_support.h"
#include "tests/support/scoped_param.h"

namespace zs::testing {

template <class Signature> using TScopedEntry = ScopedFake<Signature>;

// Runs the main thread's messages until the condition holds; false when a bound generous
// enough for slow transfers passed first.
inline bool PumpUntil(const std::function<bool()> &Condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool met = false;
  platform::WaitWhilePumping(
      [&] { return (met = Condition()) || std::chrono::steady_clock::now() > deadline; });
  return met;
}

// Waits for every fetch thread to end, then runs whatever they posted.
inline void SettleFetches() {
  retrieval::WaitForGetFileWorkers();
  PumpMainThread();
}

// The lines that worker threads of a job reported, as "Source: text"; any thread may add.
struct TJobLog {
  void Add(const std::string &Line) {
    std::lock_guard guard(Lock);
    Lines.push_back(Line);
  }
  std::mutex Lock; // guards Lines
  std::vector<std::string> Lines;
};

// A job's sink that keeps nothing but the job's log; it is also the reporter a fetch
// installs in its worker thread, which sends errors to the log.
struct TLogGetSiteEvents : TQuietGetSiteEvents<IIThreadContextSupport> {
  using TQuietGetSiteEvents::TQuietGetSiteEvents;
  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    return ComPtr<IIThreadContextSupport>(this);
  }
  void Install() override {
    InstallThreadReporters([log = Log](const std::string &Text) { log->Add("Warning: " + Text); },
                           [log = Log](const std::string &Source, const std::string &Text) {
                             log->Add(Source + ": " + Text);
                           });
  }
  const std::shared_ptr<TJobLog> Log = std::make_shared<TJobLog>();
};

// A job list reduced to what jobs ask of it.
class TTestJobQueue : public platform::TComObject<IKJobQueue> {
public:
  void RegisterJob(IKGetSiteJob *Job) override { Jobs.emplace_back(Job); }
  void UnregisterJob(IKGetSiteJob *Job) override { std::erase(Jobs, ComPtr<IKGetSiteJob>(Job)); }
  void RemoveAll() override {
    for (ComPtr<IKGetSiteJob> job : std::vector(Jobs))
      OleCheck(job->Remove());
  }
  ComPtr<IGetSiteJob> CreateJob(IJobRequest *Request, TGetSiteEventsFactory Factory) override {
    return CreateGetSiteJob(this, Request, Factory);
  }
  bool CheckProjectDir(const std::string &, IJobRequest *, std::string &) override { return true; }

  std::vector<ComPtr<IKGetSiteJob>> Jobs;
};

// Displays that record, by URL, the last call each fetch's display received ("Begin",
// "Progress", "Finished OK" or "Finished bad"), while the object lives.
class TScopedDisplays {
public:
  TScopedDisplays() { Last.clear(); }
  ~TScopedDisplays() { Last.clear(); }
  static inline std::map<std::string, std::string> Last;

private:
  struct TDisplay : platform::TComObject<IIGetFileEvents> {
    explicit TDisplay(std::string URL) : URL(std::move(URL)) {}
    void Begin() override { set("Begin"); }
    void Progress(bool, int64_t, int64_t) override { set("Progress"); }
    void Finished(bool Success) override { set(Success ? "Finished OK" : "Finished bad"); }
    // Displays are called in the main thread only; a call from anywhere else is a fault.
    void set(const std::string &Call) {
      EXPECT_TRUE(platform::IsMainThread());
      Last[URL] = Call;
    }
    const std::string URL;
  };

  TScopedEntry<ComPtr<IIGetFileEvents>(const std::string &)> entry_{
      CreateGetFileEventsUI, [](const std::string &URL) -> ComPtr<IIGetFileEvents> {
        return platform::MakeCom<TDisplay>(URL);
      }};
};

// The fixture of the tests that run whole jobs through the real get-file controller: a job
// of the real kernel in a job list of its own, copying into a project folder, with a sink
// that keeps the job's log.
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
  ComPtr<IGetSiteJob> NewJob(TCopyType copyType, std::string pageURL = "", std::string siteURL = "",
                             int32_t depth = -1, bool away = false) {
    if (pageURL.empty()) pageURL = SiteURL("index.html"), siteURL = SiteURL();
    TJobRequestDef def{"Site", copyType, depth, "", pageURL, siteURL, away, project.File("copy")};
    ComPtr<IJobRequest> request = CreateJobRequest();
    OleCheck(request->Change(def));
    return queue->CreateJob(request.get(), [](IKGetSiteJob *job) -> ComPtr<IIGetSiteEvents> {
      return platform::MakeCom<TLogGetSiteEvents>(job);
    });
  }

  // Runs the job until it has fetched every link; false when it did not finish in time.
  static bool RunToEnd(IGetSiteJob *job) {
    OleCheck(job->Run());
    return PumpUntil([&] { return StateOf(job) == jsFinished; });
  }

  static int InUse(IGetSiteJob *job) {
    return static_cast<int>(std::ranges::count_if(
        LinkStates(job), [](const auto &link) { return link.second == lsInUse; }));
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
    TJobLog &log = *static_cast<TLogGetSiteEvents *>(events.get())->Log;
    std::lock_guard guard(log.Lock);
    return log.Lines;
  }

  TempDir site, project;
  ComPtr<TTestJobQueue> queue = platform::MakeCom<TTestJobQueue>();
};

} // namespace zs::testing
