// A job's event sink for front-ends that keep no view of the job as it changes: every event
// is ignored, and the sink knows its job until the job is removed. What the job's fetches
// report is up to the subclass (GetFileEvents); Extra names further interfaces it offers.
#pragma once

#include "kernel/interfaces.h"
#include "platform/com.h"

namespace zs {

template <class... Extra>
class TQuietGetSiteEvents : public platform::TComObject<IIGetSiteEvents, Extra...> {
public:
  explicit TQuietGetSiteEvents(IKGetSiteJob *Job) : job_(Job) {}

  ComPtr<IGetSiteJob> GetJob() override { return ComPtr<IGetSiteJob>(job_); }
  void StateChanged() override {}
  void JobRemoved() override { job_ = nullptr; }
  void LinkChanged(const TEntryList &, const TLinkDescription &) override {}
  void RequestChanged() override {}
  void SelectJobItem() override {}
  bool IsUpdateJob() override { return false; }
  void LinkListChanged(const TEntryList &, TLinkState) override {}

private:
  // Not counted: the job holds its sink, and a counted reference back would keep both.
  IKGetSiteJob *job_;
};

} // namespace zs
