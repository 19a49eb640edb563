#include "ui/common/project_lock.h"

#include <filesystem>

namespace zs::ui {

namespace {

std::string lockFileName(const std::string &projectDir) {
  return (std::filesystem::path(projectDir) / "#Sumbra.lock").string();
}

} // namespace

TProjectLock::TProjectLock(const std::string &ProjectDir) {
  try {
    lock_ = std::make_unique<platform::TFileLock>(lockFileName(ProjectDir), false);
  } catch (const platform::ELockHeld &) {
    throw EProjectLocked("The job in " + ProjectDir + " is being run by process " +
                         std::to_string(Holder(ProjectDir)));
  }
}

int TProjectLock::Holder(const std::string &ProjectDir) {
  return platform::TFileLock::Holder(lockFileName(ProjectDir));
}

} // namespace zs::ui
