#include "platform/memory.h"

#include <malloc.h>

namespace zs::platform {

void ReturnFreeMemory() { malloc_trim(0); }

} // namespace zs::platform
