#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "plugins/plugin_loader.h"
#include "plugins/plugin_roles.h"

namespace zs {

void RegisterPluginsModule() {
  GetPluginInterface.Fill(&plugins::GetPluginInterface);
  GetInetModule.Fill(&plugins::GetInetModule);
  GetParserModule.Fill(&plugins::GetParserModule);
  GetXMLProviderModule.Fill(&plugins::GetXMLProviderModule);
  GetModuleInitInterface.Fill(&plugins::GetModuleInitInterface);
  EnumInetCacheModules.Fill(&plugins::EnumInetCacheModules);
  GetPluginVersion.Fill(&plugins::GetPluginVersion);
  FreeAllPlugins.Fill(&plugins::FreeAllPlugins);
}

void FinalizePluginsModule() { plugins::FreeAllPlugins(); }

} // namespace zs
