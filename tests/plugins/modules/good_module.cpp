// A module that accepts this program and serves every role.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

bool PluginCheckVersion(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                        TVersion *OtherVersion) {
  return CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);
}

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = platform::MakeCom<TTestMainObject>().Detach();
}
