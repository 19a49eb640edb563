#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace zs::platform {

namespace {

std::string holderOf(int descriptor) {
  char text[32] = {};
  const ssize_t length = pread(descriptor, text, sizeof text - 1, 0);
  const std::string pid = length > 0 ? std::string(text, size_t(length)) : std::string();
  return pid.empty() ? "another process" : "process " + pid;
}

} // namespace

TFileLock::TFileLock(const std::string &fileName, bool wait) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(fileName).parent_path(), ignored);
  descriptor_ = open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor_ < 0)
    throw EOSError("Cannot create the lock file " + fileName + ": " + std::strerror(errno), errno);
  int result;
  while ((result = flock(descriptor_, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (result != 0) {
    const int error = errno;
    const std::string holder = holderOf(descriptor_);
    close(descriptor_);
    if (error == EWOULDBLOCK) throw ELockHeld(fileName + " is locked by " + holder);
    throw EOSError("Cannot lock " + fileName + ": " + std::strerror(error), error);
  }
  // The number is written only once the lock is ours: a reader never sees a half-written one
  // from a process that did not get the lock.
  const std::string pid = std::to_string(getpid());
  if (ftruncate(descriptor_, 0) != 0 || pwrite(descriptor_, pid.data(), pid.size(), 0) < 0) {
    // The lock holds without the number; only the message of a waiting process is poorer.
  }
}

int TFileLock::Holder(const std::string &fileName) {
  const int descriptor = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return 0;
  int holder = 0;
  // The lock is free when it can be taken: the number left in the file is then stale.
  if (flock(descriptor, LOCK_SH | LOCK_NB) != 0) {
    char text[32] = {};
    if (pread(descriptor, text, sizeof text - 1, 0) > 0) holder = std::atoi(text);
  }
  close(descriptor);
  return holder;
}

TFileLock::~TFileLock() {
  // Truncated before it is released, so that a later reader never names a finished process.
  if (ftruncate(descriptor_, 0) != 0) {
  }
  close(descriptor_);
}

} // namespace zs::platform
