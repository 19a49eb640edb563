// A module whose initialisation asks the settings it reaches through the kernel for the
// version of another module (the one named as the "css" parser), which loads that module
// while this one is being loaded. It gives a main object only when that answer came back.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

bool PluginCheckVersion(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                        TVersion *OtherVersion) {
  return CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);
}

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  ComPtr<IProfiler> profiler;
  if (!Kernel || platform::Failed(Kernel->get_Profiler(profiler.put()))) return;
  ComPtr<IProfilerNames> names = profiler.As<IProfilerNames>();
  std::string other;
  if (!names || platform::Failed(names->GetPluginParserModuleName("css", &other))) return;
  uint16_t major = 0, minor = 0, release = 0;
  bool loaded = false;
  if (platform::Failed(names->GetModuleVersion(other, &major, &minor, &release, &loaded)) ||
      !loaded || major != TestModuleVersion.Major)
    return;
  *Module = platform::MakeCom<TTestMainObject>().Detach();
}
