// The kernel's entry points to the main thread's queue.
#pragma once

namespace zs::kernel {

// Fills PostToMainThread, PostLinkMessage, ReleaseInMainThread and WaitWhilePumping from
// the platform's main loop.
void RegisterMainThreadQueue();

} // namespace zs::kernel
