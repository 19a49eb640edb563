// The console front-end's part of the start-up.
#pragma once

namespace zs::ui {

// Fills the kernel's entry points for a job's default event sink and a fetch's display.
void RegisterConsoleModule();

} // namespace zs::ui
