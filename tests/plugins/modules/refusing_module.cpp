// A module that refuses every host.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

bool PluginCheckVersion(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                        TVersion *OtherVersion) {
  CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);
  return false;
}

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = platform::MakeCom<TTestMainObject>().Detach();
}
