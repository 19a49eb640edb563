// TGetFileController: the pool of running fetches of all jobs. It admits at most
// MaxGetProcessAllowed fetches at a time and tells the scheduler when a slot is free.
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

// Fills GetGetFileController, FreeGetFileController and GetFileControllerExists.
void RegisterGetFileController();

} // namespace zs::retrieval
