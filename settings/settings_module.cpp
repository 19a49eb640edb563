#include "kernel/module_startup.h"

namespace zs {

void RegisterSettingsModule() {}

}  // namespace zs
