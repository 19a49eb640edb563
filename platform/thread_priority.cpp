#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace zs::platform {

void LowerCurrentThreadPriority() {
  // On Linux a nice value set for a thread id applies to that thread alone.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5);
}

} // namespace zs::platform
