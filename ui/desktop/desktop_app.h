// The desktop front-end: the program a person starts from the desktop.
#pragma once

namespace zs::ui {

// Runs the program to its end and returns its exit code. A second start while one runs
// brings the first one's window forward and ends with 0. "--automation" starts with the
// window hidden.
int RunDesktop(int argc, char **argv);

} // namespace zs::ui
