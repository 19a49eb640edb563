#include "kernel/profiler_advisor.h"

#include "platform/safecall.h"

namespace zs::settings {

TProfilerAdvisor::TProfilerAdvisor(TCallback Callback)
    : callback_(std::move(Callback)), profiler_(GetProfiler()) {
  platform::OleCheck(profiler_->Advise(this, &adviseID_));
}

TProfilerAdvisor::~TProfilerAdvisor() {
  // A destructor cannot raise; a refused Unadvice means the settings object no longer
  // holds this listener, so there is nothing left to undo. Its error info is dropped so
  // that it cannot label a later, unrelated failure of this thread.
  if (platform::Failed(profiler_->Unadvice(adviseID_))) platform::TakeErrorInfo();
}

HRESULT TProfilerAdvisor::ParamChanged(const std::string &Param, const Variant &NewValue) {
  return platform::SafeCall([&] { callback_(Param, NewValue); });
}

} // namespace zs::settings
