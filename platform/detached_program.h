// Starting a program that lives on by itself: not a child to wait for, not ended with this
// process.
#pragma once

#include <string>

namespace zs::platform {

// Starts the file at Path as a program in a session of its own, made executable for its
// owner first, and returns once it runs. EOSError with the system's text when it cannot be
// started.
void StartDetachedProgram(const std::string &Path);

} // namespace zs::platform
