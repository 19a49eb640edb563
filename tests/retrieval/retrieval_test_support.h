// What the retrieval tests share: jobs of the real kernel in a job list of their own, a
// job sink whose reporter collects what worker threads report, a display that records the
// progress of fetches, a pump for the main thread, a way to put fakes into entry points, and
// the fixture of the tests that run whole jobs.
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
#include "tests/support/test_environment.h"

namespace zs::testing {

using platform::OleCheck;

// Puts a procedure into an entry point for the life of the object.
template <class Signature> class TScopedEntry;
template <class R, class... Args> class TScopedEntry<R(Args...)> {
public:
  TScopedEntry(EntryPoint<R(Args...)> &Entry, R (*Procedure)(Args...))
      : entry_(Entry), previous_(Entry.Get()) {
    Entry.Fill(Procedure);
  }
  ~TScopedEntry() { entry_.Fill(previous_); }
  TScopedEntry(const TScopedEntry &) = delete;
  TScopedEntry &operator=(const TScopedEntry &) = delete;

private:
  EntryPoint<R(Args...)> &entry_;
  R (*previous_)(Args...);
};

// Runs the main thread's messages until the condition holds; false when a generous bound
// passed first.
inline bool PumpUntil(const std::function<bool()> &Condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool timedOut = false;
  platform::WaitWhilePumping([&] {
    if (Condition()) return true;
    timedOut = std::chrono::steady_clock::now() > deadline;
    return timedOut;
  });
  return !timedOut;
}

// Runs the main thread's messages until none is left, also those posted meanwhile.
inline void SettleMessages() {
  while (platform::ProcessPendingMessages() > 0) {
  }
}

// Waits for every fetch thread to end, then runs whatever they posted.
inline void SettleFetches() {
  retrieval::WaitForGetFileWorkers();
  SettleMessages();
}

// The lines that worker threads of a job reported, as "Source: text"; any thread may add.
class TJobLog {
public:
  void Add(const std::string &Line) {
    std::lock_guard guard(lock_);
    lines_.push_back(Line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard guard(lock_);
    return lines_;
  }

private:
  mutable std::mutex lock_; // guards lines_
  std::vector<std::string> lines_;
};

// The reporter a fetch installs in its worker thread: errors go to the log.
class TLogThreadContext : public platform::TComObject<IIThreadContextSupport> {
public:
  explicit TLogThreadContext(std::shared_ptr<TJobLog> Log) : log_(std::move(Log)) {}
  void Install() override {
    InstallThreadReporters([log = log_](const std::string &Text) { log->Add("Warning: " + Text); },
                           [log = log_](const std::string &Source, const std::string &Text) {
                             log->Add(Source + ": " + Text);
                           });
  }

private:
  std::shared_ptr<TJobLog> log_;
};

// A job's sink that keeps nothing but the job's log.
class TLogGetSiteEvents : public TQuietGetSiteEvents<> {
public:
  using TQuietGetSiteEvents::TQuietGetSiteEvents;
  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    return platform::MakeCom<TLogThreadContext>(Log);
  }

  const std::shared_ptr<TJobLog> Log = std::make_shared<TJobLog>();
};

inline ComPtr<IIGetSiteEvents> LogGetSiteEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TLogGetSiteEvents>(Job);
}

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

// Displays that record the last call each fetch's display received ("Begin", "Progress",
// "Finished OK" or "Finished bad"), by URL, while the object lives.
class TScopedDisplays {
public:
  TScopedDisplays() : entry_(CreateGetFileEventsUI, &create) { last().clear(); }
  ~TScopedDisplays() { last().clear(); }
  static std::string LastOf(const std::string &URL) { return last()[URL]; }

private:
  class TDisplay : public platform::TComObject<IIGetFileEvents> {
  public:
    explicit TDisplay(std::string Text) : text_(std::move(Text)) {}
    void Begin() override { set("Begin"); }
    void Progress(bool, int64_t, int64_t) override { set("Progress"); }
    void Finished(bool Success) override { set(Success ? "Finished OK" : "Finished bad"); }

  private:
    // Displays are called in the main thread only; a call from anywhere else is a fault.
    void set(const std::string &Call) {
      EXPECT_TRUE(platform::IsMainThread());
      last()[text_] = Call;
    }
    std::string text_;
  };

  static ComPtr<IIGetFileEvents> create(const std::string &Text) {
    return platform::MakeCom<TDisplay>(Text);
  }
  static std::map<std::string, std::string> &last() {
    static std::map<std::string, std::string> calls;
    return calls;
  }

  TScopedEntry<ComPtr<IIGetFileEvents>(const std::string &)> entry_;
};

// Sets a setting for the life of the object.
class TScopedParam {
public:
  TScopedParam(std::string Name, const Variant &Value) : name_(std::move(Name)) {
    OleCheck(GetProfiler()->get_Param(name_, &old_));
    Set(Value);
  }
  ~TScopedParam() { OleCheck(GetProfiler()->put_Param(name_, old_)); }
  void Set(const Variant &Value) { OleCheck(GetProfiler()->put_Param(name_, Value)); }

private:
  std::string name_;
  Variant old_;
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
    return static_cast<TLogGetSiteEvents *>(events.get())->Log->Lines();
  }

  TempDir site, project;
  ComPtr<TTestJobQueue> queue = platform::MakeCom<TTestJobQueue>();
};

} // namespace zs::testing
