// Loading shared libraries and looking up their exports.
#pragma once

#include <string>

namespace zs::platform {

using LibraryHandle = void *;

// nullptr when the library cannot be loaded.
LibraryHandle LoadLibrary(const std::string &fileName);
// The handle of a library already mapped into the process under this name (its reference
// count unchanged); nullptr when it is not mapped.
LibraryHandle FindLoadedLibrary(const std::string &fileName);
void *GetProcAddress(LibraryHandle library, const char *name);
void FreeLibrary(LibraryHandle library);
// The loader's last error text.
std::string LibraryError();

} // namespace zs::platform
