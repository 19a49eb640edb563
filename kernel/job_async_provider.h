// TJobAsyncProvider: what a fetch running in a worker thread holds of its job. Whatever the
// fetch reports that changes the link list travels as a message to the main thread, where
// the provider applies it; jobs and link lists are thus touched by the main thread only.
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// The provider of Job. It holds the job until its last reference goes, and then lets go of
// the job in the main thread.
ComPtr<IIJobAsyncProvider> NewJobAsyncProvider(IKGetSiteJob *Job);

} // namespace zs::kernel
