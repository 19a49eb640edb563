// The settings object that components obtain through GetProfiler.
#pragma once

#include "kernel/interfaces.h"
#include "settings/profile_param_saver.h"

namespace zs::settings {

// A settings object over the saver; it becomes the saver's receiver of changes and passes
// them to its listeners.
ComPtr<IProfilerNames> CreateProfiler(ComPtr<TProfileParamSaver> Saver);

} // namespace zs::settings
