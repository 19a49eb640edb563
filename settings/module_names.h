// Module names of the "Plug-ins" settings: a relative name lies in the modules folder.
#pragma once

#include <string>
#include <string_view>

namespace zs::settings {

// An empty name stays empty; a name that starts with "/" is used unchanged; any other is put
// after the modules folder, and the folders of the result are cleaned: empty and dots-only
// segments go, ".." takes the folder before it along. The file name part is not touched.
std::string ExpandModuleName(std::string_view name, std::string_view modulesPath);

// Expands every line of a list of module names, keeping its line breaks.
std::string ExpandModuleNames(std::string_view names, std::string_view modulesPath);

} // namespace zs::settings
