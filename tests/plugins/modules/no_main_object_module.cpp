// A module whose initialisation returns no main object.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

ZS_MODULE_CHECKS_HOST()

void PluginInit(IKernel *Kernel, IUnknown **) { RecordInit(Kernel); }
