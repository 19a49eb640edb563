// Link messages: a message object handed to its target in the main thread.
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// Queues the message for its target, which runs it in the main thread; the target is held
// until then.
void PostLinkMessage(IILinkMessageSupport *Target, void *Message);

} // namespace zs::kernel
