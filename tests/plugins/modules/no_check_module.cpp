// A module without "PluginCheckVersion".
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

void PluginInit(IKernel *Kernel, IUnknown **) { RecordInit(Kernel); }
