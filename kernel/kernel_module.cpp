#include "kernel/module_startup.h"

namespace zs {

void RegisterKernelModule() {}

void FinalizeKernelModule() {}

}  // namespace zs
