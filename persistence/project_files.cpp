#include "persistence/project_files.h"

#include "platform/safecall.h"

namespace zs::persistence {

TLocalFileName InProjectDir(const TLocalFileName &ProjectDir, const std::string &Name) {
  // No directory is no directory: a separator put in front would name a file at the root.
  if (ProjectDir.empty() || ProjectDir.back() == '/') return ProjectDir + Name;
  return ProjectDir + '/' + Name;
}

std::string JobDescriptionFileName() {
  std::string name;
  platform::OleCheck(GetProfiler()->get_JobDescriptionFileName(&name));
  return name;
}

std::string QuickSaveFileName() {
  std::string name;
  platform::OleCheck(GetProfiler()->get_QuickSaveFileName(&name));
  return name;
}

} // namespace zs::persistence
