#include "platform/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zs::platform {

namespace {

std::string withSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

std::string env(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

std::string homeFolder() {
  std::string home = env("HOME");
  if (!home.empty()) return home;
  if (const passwd *entry = getpwuid(geteuid())) return entry->pw_dir ? entry->pw_dir : "";
  return "";
}

} // namespace

std::string ProgramFolder() {
  // The program does not move while it runs; modules are found through this for every fetch.
  static const std::string folder = [] {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return withSlash(std::filesystem::current_path().string());
    return withSlash(exe.parent_path().string());
  }();
  return folder;
}

std::string AppDataFolder() {
  std::string data = env("XDG_DATA_HOME");
  if (!data.empty()) return withSlash(data);
  std::string home = homeFolder();
  if (home.empty()) return "";
  return withSlash(home) + ".local/share/";
}

std::string TempFolder() {
  std::string temp = env("TMPDIR");
  return withSlash(temp.empty() ? "/tmp" : temp);
}

std::string UserName() {
  if (const passwd *entry = getpwuid(geteuid())) return entry->pw_name ? entry->pw_name : "";
  std::string name = env("USER");
  return name.empty() ? env("LOGNAME") : name;
}

std::string FileInFolder(const std::string &Folder, const std::string &Name) {
  if (Folder.empty() || Folder.back() == '/') return Folder + Name;
  return Folder + '/' + Name;
}

std::string WithSingleSeparators(std::string Path) {
  Path.erase(
      std::unique(Path.begin(), Path.end(), [](char a, char b) { return a == '/' && b == '/'; }),
      Path.end());
  return Path;
}

} // namespace zs::platform
