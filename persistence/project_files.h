// The files a job keeps in its project directory, named by settings.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::persistence {

// The file Name inside the project directory.
TLocalFileName InProjectDir(const TLocalFileName &ProjectDir, const std::string &Name);

std::string JobDescriptionFileName();
std::string QuickSaveFileName();

} // namespace zs::persistence
