#include "kernel/module_startup.h"

namespace zs {

void RegisterPluginsModule() {}

void FinalizePluginsModule() {}

}  // namespace zs
