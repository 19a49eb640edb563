#include "kernel/module_startup.h"

namespace zs {

void RegisterSettingsModule() {}

void FinalizeSettingsModule() {}

}  // namespace zs
