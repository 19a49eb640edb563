// A job runs in one process at a time: the process that runs it holds its project folder's
// lock, and any other process can tell which process that is.
#pragma once

#include <memory>
#include <string>

#include "platform/exceptions.h"
#include "platform/file_lock.h"

namespace zs::ui {

// The folder is held by another process; the message names it.
ZS_EXCEPTION_CLASS(EProjectLocked, platform::Exception);

class TProjectLock {
public:
  // Takes the lock of the project folder (which must exist), or raises EProjectLocked with
  // "The job in <folder> is being run by process <number>".
  explicit TProjectLock(const std::string &ProjectDir);

  // The process that runs the job of the folder; 0 when none does.
  static int Holder(const std::string &ProjectDir);

private:
  std::unique_ptr<platform::TFileLock> lock_;
};

} // namespace zs::ui
