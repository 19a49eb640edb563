// The running desktop program, reached over the session bus as any outside program reaches
// it; the bus starts it when it does not run.
#pragma once

#include <string>

namespace zs::ui {

// Hands the update file at URL to the program. The error the program or the bus replies
// with is raised with its message.
void HandUpdateFileToProgram(const std::string &URL);

} // namespace zs::ui
