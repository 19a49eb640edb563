// The files a job keeps in its project directory, named by settings.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::persistence {

std::string JobDescriptionFileName();
std::string QuickSaveFileName();

} // namespace zs::persistence
