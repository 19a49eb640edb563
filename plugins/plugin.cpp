#include "plugins/plugin.h"

namespace zs::plugins {

TPlugin::TPlugin(ComPtr<IUnknown> Module, platform::LibraryHandle Handle, TVersion ModuleVersion,
                 TVersion OtherVersion)
    : Module(std::move(Module)), Handle(Handle), ModuleVersion(ModuleVersion),
      OtherVersion(OtherVersion) {}

TPlugin::~TPlugin() {
  // The main object's code lives in the library: release it while the library is mapped.
  Module.reset();
  platform::FreeLibrary(Handle);
}

} // namespace zs::plugins
