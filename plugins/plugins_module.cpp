#include "kernel/module_startup.h"

namespace zs {

void RegisterPluginsModule() {}

}  // namespace zs
