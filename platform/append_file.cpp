#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/exceptions.h"

namespace zs::platform {

namespace {

std::atomic<uint64_t> removals{0};

} // namespace

TAppendFile::TAppendFile(std::string fileName) : fileName_(std::move(fileName)) {}

TAppendFile::~TAppendFile() { close(); }

void TAppendFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TAppendFile::fail(const char *what, int code) {
  close();
  throw EOSError(std::string(what) + " \"" + fileName_ + "\". " + std::strerror(code), code);
}

bool TAppendFile::Open() {
  const uint64_t removed = removals.load();
  if (fd_ >= 0 && removed == removalsSeen_) return false;
  removalsSeen_ = removed;
  if (fd_ >= 0) {
    struct stat atName {};
    if (::stat(fileName_.c_str(), &atName) == 0 && uint64_t(atName.st_dev) == device_ &&
        uint64_t(atName.st_ino) == inode_)
      return false;
    close();
  }
  // Read access too, for Tail.
  int fd = ::open(fileName_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fail("Cannot open file", errno);
  fd_ = fd;
  struct stat opened {};
  if (::fstat(fd_, &opened) != 0) fail("Cannot open file", errno);
  device_ = uint64_t(opened.st_dev);
  inode_ = uint64_t(opened.st_ino);
  return true;
}

void RemoveAppendFile(const std::string &fileName) {
  ++removals;
  if (::unlink(fileName.c_str()) != 0 && errno != ENOENT)
    throw EOSError("Cannot delete file \"" + fileName + "\". " + std::strerror(errno), errno);
}

std::string TAppendFile::Tail(size_t count) {
  struct stat opened {};
  if (fd_ < 0 || ::fstat(fd_, &opened) != 0) return {};
  auto size = static_cast<size_t>(opened.st_size);
  std::string tail(std::min(count, size), '\0');
  ssize_t got = ::pread(fd_, tail.data(), tail.size(), off_t(size - tail.size()));
  if (got < 0) fail("Cannot read file", errno);
  tail.resize(size_t(got));
  return tail;
}

void TAppendFile::Append(std::string_view bytes) {
  if (fd_ < 0) Open();
  while (!bytes.empty()) {
    ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written <= 0) {
      if (written < 0 && errno == EINTR) continue;
      // A regular file never takes nothing unless something is wrong with it.
      fail("Cannot write file", written < 0 ? errno : EIO);
    }
    bytes.remove_prefix(size_t(written));
  }
}

} // namespace zs::platform
