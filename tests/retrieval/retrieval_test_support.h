// What the retrieval tests share: jobs of the real kernel in a job list of their own, a
// job sink whose reporter collects what worker threads report, a display that records the
// progress of fetches, a pump for the main thread, and a way to put fakes into entry points.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
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
class TLogGetSiteEvents : public platform::TComObject<IIGetSiteEvents> {
public:
  explicit TLogGetSiteEvents(IKGetSiteJob *Job) : job_(Job) {}
  ComPtr<IGetSiteJob> GetJob() override { return job_; }
  void StateChanged() override {}
  void JobRemoved() override { job_ = nullptr; }
  void LinkChanged(const TEntryList &, const TLinkDescription &) override {}
  void RequestChanged() override {}
  void SelectJobItem() override {}
  bool IsUpdateJob() override { return false; }
  void LinkListChanged(const TEntryList &, TLinkState) override {}
  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    return platform::MakeCom<TLogThreadContext>(Log);
  }

  const std::shared_ptr<TJobLog> Log = std::make_shared<TJobLog>();

private:
  IKGetSiteJob *job_; // the job holds its sink, not the other way round
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

// One call a fetch's display received, in the main thread.
struct TDisplayReport {
  std::string Text;  // the fetch the display was made for
  std::string Kind;  // "Begin", "Progress" or "Finished"
  bool Flag = false; // SizeKnown of a progress, Success of the end
  int64_t Position = 0, Amount = 0;
};

// Displays that record every call, in order, while the object lives.
class TScopedDisplays {
public:
  TScopedDisplays() : entry_(CreateGetFileEventsUI, &create) { reports() = {}; }
  ~TScopedDisplays() { reports() = {}; }

  // The reports of the fetch of URL, in the order they arrived.
  static std::vector<TDisplayReport> Of(const std::string &URL) {
    std::vector<TDisplayReport> found;
    for (const TDisplayReport &report : reports())
      if (report.Text == URL) found.push_back(report);
    return found;
  }

private:
  class TDisplay : public platform::TComObject<IIGetFileEvents> {
  public:
    explicit TDisplay(std::string Text) : text_(std::move(Text)) {}
    void Begin() override { add({text_, "Begin"}); }
    void Progress(bool SizeKnown, int64_t Position, int64_t Amount) override {
      add({text_, "Progress", SizeKnown, Position, Amount});
    }
    void Finished(bool Success) override { add({text_, "Finished", Success}); }

  private:
    // Displays are called in the main thread only; a call from anywhere else is a fault.
    static void add(TDisplayReport Report) {
      EXPECT_TRUE(platform::IsMainThread());
      reports().push_back(std::move(Report));
    }
    std::string text_;
  };

  static ComPtr<IIGetFileEvents> create(const std::string &Text) {
    return platform::MakeCom<TDisplay>(Text);
  }
  static std::vector<TDisplayReport> &reports() {
    static std::vector<TDisplayReport> all;
    return all;
  }

  TScopedEntry<ComPtr<IIGetFileEvents>(const std::string &)> entry_;
};

// Sets MaxGetProcessAllowed for the life of the object.
class TScopedMaxFetches {
public:
  explicit TScopedMaxFetches(int32_t Value) {
    OleCheck(GetProfiler()->get_Param("MaxGetProcessAllowed", &old_));
    Set(Value);
  }
  ~TScopedMaxFetches() { OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", old_)); }
  void Set(int32_t Value) { OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Value)); }

private:
  Variant old_;
};

} // namespace zs::testing
