// The kernel object: the one service object behind GetKernel that hands out the job list,
// the URL services and the settings, each call serialised by the kernel lock.
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// The kernel object, created on first use.
ComPtr<IKernel> GetKernel();
// Records the kernel object's class in the class table.
void RegisterKernelObjectClass();
// Releases the singleton (end of the program); a later GetKernel would create a new one.
void ReleaseKernelSingleton();

} // namespace zs::kernel
