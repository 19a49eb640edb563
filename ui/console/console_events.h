// The console's side of the kernel's reports: the event sink of each job, the reporter of
// warnings and errors that the job's worker threads install, and the display of each
// fetch. They feed the console monitor.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

// A job's default event sink.
ComPtr<IIGetSiteEvents> NewConsoleJobEvents(IKGetSiteJob *Job);
// The display of one fetch.
ComPtr<IIGetFileEvents> NewConsoleFetchDisplay(const std::string &URL);

} // namespace zs::ui
