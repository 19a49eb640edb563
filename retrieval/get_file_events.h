// TGetFileEvents: the progress reports of one fetch, made in its worker thread and shown by
// the front-end's display of the fetch in the main thread.
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

// The display is made for the URL of the process, when a front-end offers displays.
ComPtr<IIGetFileEvents> NewGetFileEvents(IKGetFileProcess *Process);

} // namespace zs::retrieval
