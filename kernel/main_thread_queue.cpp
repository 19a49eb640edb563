#include "kernel/main_thread_queue.h"

#include "kernel/interfaces.h"
#include "platform/main_loop.h"

namespace zs::kernel {

void PostLinkMessage(IILinkMessageSupport *Target, void *Message) {
  // Checked here: a missing target would otherwise only fail later, in the main thread,
  // far from the code that posted it.
  if (!Target) throw platform::Exception("A link message was posted without a target");
  // The task holds a reference of the target until the message has run, and drops it in
  // the main thread right after.
  platform::PostTask([target = ComPtr<IILinkMessageSupport>(Target), Message]() mutable {
    target->DispatchMessage(Message);
    target.reset();
  });
}

} // namespace zs::kernel
