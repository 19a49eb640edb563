#include "plugins/plugin_roles.h"

#include <vector>

#include "platform/safecall.h"
#include "plugins/plugin_loader.h"

namespace zs::plugins {

namespace {

using platform::OleCheck;

// Lines end at CR, LF or CR LF; a break at the very end starts no further line.
std::vector<std::string> splitLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

} // namespace

ComPtr<IUnknown> GetPluginInterface(const std::string &ModuleName, const GUID &IID) {
  const TPlugin *plugin = LoadPlugin(ModuleName);
  if (!plugin || !plugin->Module) return nullptr;
  // Taken only on success: a failing module need not clear what it was given.
  void *found = nullptr;
  if (platform::Failed(plugin->Module->QueryInterface(IID, &found))) return nullptr;
  return ComPtr<IUnknown>::Attach(static_cast<IUnknown *>(found));
}

ComPtr<IUnknown> GetInetModule(const std::string &Scheme) {
  std::string name;
  OleCheck(GetProfiler()->GetPluginInetModuleName(Scheme, &name));
  return GetPluginInterface(name, IID_IInetModule);
}

ComPtr<IUnknown> GetParserModule(const std::string &Kind) {
  std::string name;
  OleCheck(GetProfiler()->GetPluginParserModuleName(Kind, &name));
  return GetPluginInterface(name, IID_IParserModule);
}

ComPtr<IUnknown> GetXMLProviderModule() {
  std::string name;
  OleCheck(GetProfiler()->GetPluginXMLProviderModuleName(&name));
  return GetPluginInterface(name, IID_IXMLProvider);
}

ComPtr<IModuleInit> GetModuleInitInterface(const std::string &ModuleName) {
  // The module answered for this identifier, so the pointer is its IModuleInit.
  return ComPtr<IModuleInit>::Attach(
      static_cast<IModuleInit *>(GetPluginInterface(ModuleName, IID_ModuleInit).Detach()));
}

void EnumInetCacheModules(TInetCacheCallback Callback, void *Context) {
  std::string names;
  OleCheck(GetProfiler()->GetPluginInetCacheModuleNames(&names));
  for (const std::string &name : splitLines(names)) {
    ComPtr<IUnknown> module = GetPluginInterface(name, IID_IInetCacheModule);
    if (Callback(Context, module.get())) return;
  }
}

bool GetPluginVersion(const std::string &ModuleName, TVersion &Version) {
  const TPlugin *plugin = LoadPlugin(ModuleName);
  if (!plugin) return false;
  Version = plugin->ModuleVersion;
  return true;
}

} // namespace zs::plugins
