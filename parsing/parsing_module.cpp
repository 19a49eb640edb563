#include "kernel/module_startup.h"
#include "parsing/params.h"

namespace zs {

void RegisterParsingModule() { CreateParams.Fill(&parsing::NewParams); }

void FinalizeParsingModule() {}

}  // namespace zs
