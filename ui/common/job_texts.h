// Texts that front-ends show about jobs.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

// The name of a field of a job definition as numbered by ValidateJobRequestDef ("title",
// "copy type", ...); empty for 0 and for numbers that name no field.
std::string JobFieldName(int32_t Field);
// What is said of a job definition that the validation refused at Field.
std::string RefusedFieldText(int32_t Field, const std::string &Message);

// The file: URL of a local file or folder given where a URL is expected (a folder's URL
// ends with a slash); any other text is returned as it is.
std::string PageURLOf(const std::string &Text);

// The line a warning or an error that a worker thread reports becomes in a job's log.
std::string WarningLine(const std::string &Text);
std::string ErrorLine(const std::string &Source, const std::string &Text);

} // namespace zs::ui
