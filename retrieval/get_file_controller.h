// TGetFileController: the pool of running fetches of all jobs. It admits at most
// MaxGetProcessAllowed fetches at a time and tells the scheduler when a slot is free.
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

// The one pool, created on first use.
ComPtr<IKGetFileController> GetGetFileController();
// Drops the pool's global reference.
void FreeGetFileController();
bool GetFileControllerExists();

} // namespace zs::retrieval
