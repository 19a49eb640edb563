// The Kernel co-class: what outside clients create to reach the kernel.
#pragma once

namespace zs::kernel {

// Registers the Kernel co-class in the class table.
void RegisterMultiKernelObject();

} // namespace zs::kernel
