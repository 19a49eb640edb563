// TUpdateController: what outside callers use to hand the program an update file and to ask
// for its version and the versions of its modules.
#pragma once

#include "kernel/interfaces.h"

namespace zs::update {

ComPtr<IUpdateController> NewUpdateController();
// Registers the UpdateController co-class.
void RegisterUpdateControllerClass();

} // namespace zs::update
