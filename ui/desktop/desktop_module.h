// The desktop front-end's part of the start-up.
#pragma once

namespace zs::ui {

// Fills the kernel's entry points that the window serves: a job's default event sink, a
// fetch's display, the error box, and waiting while the window's events go on.
void RegisterDesktopModule();

} // namespace zs::ui
