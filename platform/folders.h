// Folders and names the program asks the system for.
#pragma once

#include <string>

namespace zs::platform {

// The folder of the running executable (/proc/self/exe), with a trailing slash.
std::string ProgramFolder();
// $XDG_DATA_HOME, else ~/.local/share, with a trailing slash; empty when neither is known.
std::string AppDataFolder();
// $TMPDIR, else /tmp, with a trailing slash.
std::string TempFolder();
// The login name of the process's user; empty when unknown.
std::string UserName();
// The file Name inside Folder, with a separator between them when Folder has none. No folder
// is no folder: a separator put in front would name a file at the root.
std::string FileInFolder(const std::string &Folder, const std::string &Name);
// Path with each run of separators made one: a local name with an empty part ("a//b")
// names the file the system opens as "a/b".
std::string WithSingleSeparators(std::string Path);

} // namespace zs::platform
