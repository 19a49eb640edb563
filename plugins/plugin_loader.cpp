#include "plugins/plugin_loader.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/safecall.h"

namespace zs::plugins {

namespace {

using platform::LibraryHandle;

struct TLoadedModules {
  // Guards Plugins, Parked and every load, so that finding, loading, checking, initialising
  // and registering a module is one step for all threads. Recursive because a module's
  // initialisation may, through the kernel it is given, ask for another module (its version
  // in the settings) on the same thread.
  std::recursive_mutex Lock;
  std::vector<std::unique_ptr<TPlugin>> Plugins;
  // Libraries whose code raised while being checked or initialised. The exception in flight
  // may have its type, destructor and text in the library, so it stays mapped until
  // FreeAllPlugins.
  std::vector<LibraryHandle> Parked;
};

TLoadedModules &loadedModules() {
  static TLoadedModules modules;
  return modules;
}

// Only full paths reach dlopen: a bare name would be searched for along the system's library
// path and could load any library of the machine.
std::string moduleFileName(const std::string &ModuleName) {
  if (ModuleName.front() == '/') return ModuleName;
  std::string modulesPath;
  platform::OleCheck(GetProfiler()->GetModulesPath(&modulesPath));
  return modulesPath + ModuleName;
}

TPlugin *findPlugin(LibraryHandle Handle) {
  if (!Handle) return nullptr;
  for (auto &plugin : loadedModules().Plugins)
    if (plugin->Handle == Handle) return plugin.get();
  return nullptr;
}

// A library while it is being loaded: freed when the load gives up, handed over when it
// becomes a plug-in, parked when its own code raised.
class TLoadingLibrary {
public:
  explicit TLoadingLibrary(LibraryHandle Handle) : handle_(Handle) {}
  ~TLoadingLibrary() { platform::FreeLibrary(handle_); }
  TLoadingLibrary(const TLoadingLibrary &) = delete;
  TLoadingLibrary &operator=(const TLoadingLibrary &) = delete;

  LibraryHandle Handle() const { return handle_; }
  LibraryHandle Release() { return std::exchange(handle_, nullptr); }

  template <class Export> Export Find(const char *Name) const {
    return reinterpret_cast<Export>(platform::GetProcAddress(handle_, Name));
  }

  // Runs code of the library; when it raises, the library is parked and the exception goes on.
  template <class Call> auto RunModuleCode(Call &&call) {
    try {
      return call();
    } catch (...) {
      loadedModules().Parked.push_back(Release());
      throw;
    }
  }

private:
  LibraryHandle handle_;
};

} // namespace

const TPlugin *LoadPlugin(const std::string &ModuleName) {
  if (ModuleName.empty()) return nullptr;
  std::string fileName = moduleFileName(ModuleName);
  TLoadedModules &modules = loadedModules();
  std::lock_guard lock(modules.Lock);
  if (TPlugin *loaded = findPlugin(platform::FindLoadedLibrary(fileName))) return loaded;

  TLoadingLibrary library(platform::LoadLibrary(fileName));
  if (!library.Handle()) return nullptr;

  auto checkVersion = library.Find<TPluginCheckVersion>("PluginCheckVersion");
  auto init = library.Find<TPluginInit>("PluginInit");
  if (!checkVersion || !init) return nullptr;

  TVersion moduleVersion, otherVersion;
  bool accepted = library.RunModuleCode(
      [&] { return checkVersion(&PluginHostID, &ProgramVersion, &moduleVersion, &otherVersion); });
  if (!accepted) return nullptr;

  ComPtr<IKernel> kernel = GetKernel();
  // Declared after the library, so that whatever goes wrong the main object is released
  // before its library can be freed.
  ComPtr<IUnknown> module;
  library.RunModuleCode([&] { init(kernel.get(), module.put()); });

  auto plugin =
      std::make_unique<TPlugin>(std::move(module), library.Handle(), moduleVersion, otherVersion);
  library.Release(); // the plug-in frees it from now on
  modules.Plugins.push_back(std::move(plugin));
  return modules.Plugins.back().get();
}

void FreeAllPlugins() {
  TLoadedModules &modules = loadedModules();
  std::lock_guard lock(modules.Lock);
  // Taken out of the list first: releasing a main object runs module code, which may ask
  // for modules again.
  std::vector<std::unique_ptr<TPlugin>> plugins = std::exchange(modules.Plugins, {});
  std::vector<LibraryHandle> parked = std::exchange(modules.Parked, {});
  while (!plugins.empty())
    plugins.pop_back();
  for (LibraryHandle handle : parked)
    platform::FreeLibrary(handle);
}

} // namespace zs::plugins
