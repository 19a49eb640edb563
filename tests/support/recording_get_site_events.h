// A job's event sink for tests: it records what the job tells it. Fill
// CreateDefaultGetSiteEvents with RecordingGetSiteEvents (TScopedRecordingEvents does) or
// pass it as the events factory, then find a job's sink with TRecordingGetSiteEvents::Of.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::testing {

// The reporter a sink hands to the worker threads of its job's fetches.
class TRecordingThreadContext : public platform::TComObject<IIThreadContextSupport> {
public:
  void Install() override { ++Installs; }
  std::atomic<int> Installs = 0;
};

class TRecordingGetSiteEvents : public platform::TComObject<IIGetSiteEvents> {
public:
  explicit TRecordingGetSiteEvents(IKGetSiteJob *Job) : job_(Job) {}

  // The sink of a job made while recording sinks are the default; nullptr once the job is
  // removed.
  static ComPtr<TRecordingGetSiteEvents> Of(IGetSiteJob *Job) {
    ComPtr<IIGetSiteJob> job = ComPtr<IGetSiteJob>(Job).As<IIGetSiteJob>();
    ComPtr<IIGetSiteEvents> events = job ? job->GetEvents() : nullptr;
    return static_cast<TRecordingGetSiteEvents *>(events.get());
  }

  // Not counted, as a real sink's would be: the job holds the sink until it is removed.
  ComPtr<IGetSiteJob> GetJob() override { return job_; }
  void StateChanged() override {
    TJobState state = jsStopped;
    job_->get_State(&state);
    States.push_back(state);
  }
  void JobRemoved() override {
    ++Removals;
    job_ = nullptr;
  }
  void LinkChanged(const TEntryList &, const TLinkDescription &LinkDesc) override {
    ChangedLinks.push_back(LinkDesc.URL);
  }
  void RequestChanged() override { ++RequestChanges; }
  void SelectJobItem() override {}
  bool IsUpdateJob() override { return false; }
  void LinkListChanged(const TEntryList &, TLinkState NewState) override {
    LinkStates.push_back(NewState);
  }
  ComPtr<IIThreadContextSupport> GetFileEvents() override { return ThreadContext; }

  std::vector<TJobState> States;         // the job's state at each StateChanged
  int Removals = 0;                      // JobRemoved calls
  std::vector<std::string> ChangedLinks; // the URL of each LinkChanged
  int RequestChanges = 0;
  std::vector<TLinkState> LinkStates; // the new state of each LinkListChanged
  const ComPtr<TRecordingThreadContext> ThreadContext =
      platform::MakeCom<TRecordingThreadContext>();

private:
  IKGetSiteJob *job_;
};

inline ComPtr<IIGetSiteEvents> RecordingGetSiteEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TRecordingGetSiteEvents>(Job);
}

// Makes recording sinks the default sinks of jobs for the life of the object.
class TScopedRecordingEvents {
public:
  TScopedRecordingEvents() : old_(CreateDefaultGetSiteEvents.Get()) {
    CreateDefaultGetSiteEvents.Fill(&RecordingGetSiteEvents);
  }
  ~TScopedRecordingEvents() { CreateDefaultGetSiteEvents.Fill(old_); }
  TScopedRecordingEvents(const TScopedRecordingEvents &) = delete;
  TScopedRecordingEvents &operator=(const TScopedRecordingEvents &) = delete;

private:
  ComPtr<IIGetSiteEvents> (*old_)(IKGetSiteJob *);
};

} // namespace zs::testing
