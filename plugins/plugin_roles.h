// What the rest of the program asks of plug-in modules: an interface of a module's main
// object, chosen by the role the settings give the module, and a module's version.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::plugins {

// The interface of the module's main object; empty when the name is empty, the module
// cannot be loaded or its main object lacks the interface.
ComPtr<IUnknown> GetPluginInterface(const std::string &ModuleName, const GUID &IID);

// The roles: each reads the setting that names its module.
ComPtr<IUnknown> GetInetModule(const std::string &Scheme);
ComPtr<IUnknown> GetParserModule(const std::string &Kind);
ComPtr<IUnknown> GetXMLProviderModule();
ComPtr<IModuleInit> GetModuleInitInterface(const std::string &ModuleName);
// Offers the cache interface of each line of the setting, in order (empty for a line that
// gives none), until the callback answers true.
void EnumInetCacheModules(TInetCacheCallback Callback, void *Context);

// Loads the module and gives the version it announced; false when it cannot be loaded.
bool GetPluginVersion(const std::string &ModuleName, TVersion &Version);

} // namespace zs::plugins
