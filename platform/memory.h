// The memory the program no longer uses.
#pragma once

namespace zs::platform {

// Gives free memory of the allocator back to the system.
void ReturnFreeMemory();

} // namespace zs::platform
