// One loaded module: the main object its initialisation returned, its library, and the
// versions it announced when it accepted the host.
#pragma once

#include "kernel/interfaces.h"
#include "platform/dynamic_library.h"

namespace zs::plugins {

class TPlugin {
public:
  TPlugin(ComPtr<IUnknown> Module, platform::LibraryHandle Handle, TVersion ModuleVersion,
          TVersion OtherVersion);
  // Releases the main object, then frees the library.
  ~TPlugin();
  TPlugin(const TPlugin &) = delete;
  TPlugin &operator=(const TPlugin &) = delete;

  // Empty when the module's initialisation returned no main object.
  ComPtr<IUnknown> Module;
  platform::LibraryHandle Handle;
  TVersion ModuleVersion;
  TVersion OtherVersion;
};

} // namespace zs::plugins
