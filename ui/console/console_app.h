// The console front-end: runs one command of the command line against the kernel and
// returns the program's exit code.
#pragma once

#include <string>
#include <vector>

namespace zs::ui {

// Exit codes: 0 done (every link copied), 1 some links failed, 2 the command could not be
// run, 3 interrupted.
int RunConsole(const std::vector<std::string> &arguments);

} // namespace zs::ui
