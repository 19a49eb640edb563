// Reading a job description file that a person points at.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

// A new free request with the job described in File (its own project folder included); empty
// when the file cannot be read as a job description.
ComPtr<IJobRequest> ReadJobDescription(const std::string &File);

} // namespace zs::ui
