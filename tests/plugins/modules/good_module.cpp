// A module that accepts this program and serves every role.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

ZS_MODULE_CHECKS_HOST()

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = platform::MakeCom<TTestMainObject>().Detach();
}
