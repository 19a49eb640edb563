#include "persistence/project_files.h"

#include "platform/safecall.h"

namespace zs::persistence {

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
