// The console's side of the kernel's reports: the event sink of each job, the reporter of
// warnings and errors that the job's worker threads install, and the display of each
// fetch. They feed the console monitor.
#pragma once

namespace zs::ui {

// Fills the kernel's entry points for a job's default event sink and a fetch's display.
void InstallConsoleEvents();

} // namespace zs::ui
