#include "settings/module_names.h"

#include <vector>

namespace zs::settings {

namespace {

std::string cleanFolders(std::string_view path) {
  const size_t fileStart = path.rfind('/') + 1; // 0 when the path has no folder part
  // The root is not a segment: dropping it as "empty" would make the path relative.
  const bool rooted = path.starts_with('/');
  std::vector<std::string_view> folders;
  for (size_t pos = rooted ? 1 : 0; pos < fileStart;) {
    const size_t end = path.find('/', pos);
    const std::string_view segment = path.substr(pos, end - pos);
    pos = end + 1;
    if (segment.find_first_not_of('.') != std::string_view::npos)
      folders.push_back(segment);
    else if (segment == ".." && !folders.empty())
      folders.pop_back();
  }
  std::string result = rooted ? "/" : "";
  for (std::string_view folder : folders)
    (result += folder) += '/';
  return result += path.substr(fileStart);
}

} // namespace

std::string ExpandModuleName(std::string_view name, std::string_view modulesPath) {
  if (name.empty() || name.starts_with('/')) return std::string(name);
  return cleanFolders(std::string(modulesPath) += name);
}

std::string ExpandModuleNames(std::string_view names, std::string_view modulesPath) {
  // Each line on its own: prefixing only the whole text would leave every name after the
  // first outside the modules folder, to be searched for along the library path.
  std::string result;
  for (size_t pos = 0; pos <= names.size();) {
    size_t end = names.find('\n', pos);
    if (end == std::string_view::npos) end = names.size();
    std::string_view line = names.substr(pos, end - pos);
    const bool carriageReturn = line.ends_with('\r');
    if (carriageReturn) line.remove_suffix(1);
    result += ExpandModuleName(line, modulesPath);
    if (carriageReturn) result += '\r';
    if (end < names.size()) result += '\n';
    pos = end + 1;
  }
  return result;
}

} // namespace zs::settings
