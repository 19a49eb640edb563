// A module whose initialisation returns no main object.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

bool PluginCheckVersion(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                        TVersion *OtherVersion) {
  return CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);
}

void PluginInit(IKernel *Kernel, IUnknown **) { RecordInit(Kernel); }
