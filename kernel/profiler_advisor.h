// Lets an ordinary object hear of changed settings: the advisor listens for as long as it
// lives and passes every change to its callback, in the main thread.
#pragma once

#include <functional>
#include <string>

#include "kernel/interfaces.h"

namespace zs::settings {

class TProfilerAdvisor final : public platform::TNoRefCountObject<IProfilerEvents> {
public:
  using TCallback = std::function<void(const std::string &Name, const Variant &Value)>;

  // Registers with the settings object of GetProfiler.
  explicit TProfilerAdvisor(TCallback Callback);
  ~TProfilerAdvisor();
  TProfilerAdvisor(const TProfilerAdvisor &) = delete;
  TProfilerAdvisor &operator=(const TProfilerAdvisor &) = delete;

  HRESULT ParamChanged(const std::string &Param, const Variant &NewValue) override;

private:
  TCallback callback_;
  ComPtr<IProfilerNames> profiler_; // the one advised, also when GetProfiler changes
  int32_t adviseID_ = 0;
};

} // namespace zs::settings
