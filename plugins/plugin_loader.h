// The loader of plug-in modules and the list of the modules loaded. A module is loaded on the
// first request for it and stays loaded until FreeAllPlugins; later requests reuse it.
#pragma once

#include <string>

#include "plugins/plugin.h"

namespace zs::plugins {

// The module of this name, loaded, asked to accept the host and initialised on first use.
// nullptr when the name is empty, the library cannot be loaded, lacks an export or refuses
// the host (a refusing module is asked again at the next request). Exceptions raised by the
// module's initialisation reach the caller. A name not starting with "/" lies in the modules
// folder. The object stays valid until FreeAllPlugins.
const TPlugin *LoadPlugin(const std::string &ModuleName);

// Destroys every loaded module, the newest first. Called when the program ends.
void FreeAllPlugins();

} // namespace zs::plugins
