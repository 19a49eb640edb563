// An exclusive lock between processes on a lock file, held while the object lives. The file
// records the holder's process number, so that a process that finds the lock taken can say
// who holds it. The lock goes with the process: a killed holder leaves no stale lock.
#pragma once

#include <string>

#include "platform/exceptions.h"

namespace zs::platform {

ZS_EXCEPTION_CLASS(ELockHeld, Exception);

class TFileLock {
public:
  // Waits for the lock when Wait is set; otherwise raises ELockHeld naming the holder when
  // another process has it. EOSError when the lock file cannot be made.
  TFileLock(const std::string &fileName, bool wait);
  ~TFileLock();

  // The process that holds the lock of the file; 0 when none does (or the file is missing).
  static int Holder(const std::string &fileName);
  TFileLock(const TFileLock &) = delete;
  TFileLock &operator=(const TFileLock &) = delete;

private:
  int descriptor_ = -1;
};

} // namespace zs::platform
