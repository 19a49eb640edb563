#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace zs::platform {

LibraryHandle LoadLibrary(const std::string &fileName) {
  // RTLD_LOCAL: modules keep their symbols to themselves, as separately built modules should.
  return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryHandle FindLoadedLibrary(const std::string &fileName) {
  void *handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_NOLOAD);
  // RTLD_NOLOAD still counts a reference; give it back so the count stays as it was.
  if (handle) dlclose(handle);
  return handle;
}

void *GetProcAddress(LibraryHandle library, const char *name) {
  return library ? dlsym(library, name) : nullptr;
}

void FreeLibrary(LibraryHandle library) {
  if (library) dlclose(library);
}

std::string LibraryError() {
  const char *text = dlerror();
  return text ? text : "";
}

} // namespace zs::platform
