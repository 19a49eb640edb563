#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

#include "platform/exceptions.h"

namespace zs::platform {

namespace {

[[noreturn]] void fail(const char *what, const std::string &fileName, int code) {
  throw EOSError(std::string(what) + " \"" + fileName + "\". " + std::strerror(code), code);
}

std::string folderOf(const std::string &fileName) {
  size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : fileName.substr(0, slash);
}

// A file name that is a symbolic link stays one: the file it leads to is the one replaced.
std::string resolveLink(std::string fileName) {
  struct stat link {};
  if (::lstat(fileName.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return fileName;
  char target[PATH_MAX];
  return ::realpath(fileName.c_str(), target) ? std::string(target) : fileName;
}

void syncFile(const std::string &fileName) {
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail("Cannot open file", fileName, errno);
  int result = ::fsync(fd);
  int code = errno;
  ::close(fd);
  if (result != 0) fail("Cannot write file", fileName, code);
}

void syncFolder(const std::string &folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // The new file is whole and in place whatever this answers; a file system that refuses to
  // flush a folder brings the rename to the disk with its own next commit.
  (void)::fsync(fd);
  ::close(fd);
}

} // namespace

// A temporary file of a replacement: the file's name followed by this and eight hex digits.
constexpr std::string_view tempMark = ".~";
constexpr size_t tempDigits = 8;

TFileReplacement::TFileReplacement(std::string FileName)
    : fileName_(resolveLink(std::move(FileName))) {
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%s%08x", tempMark.data(), unsigned(random()));
    std::string name = fileName_ + suffix;
    // Exclusive, so that two writers never share a temporary file; the umask narrows the mode
    // as it does for any new file.
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      tempName_ = std::move(name);
      return;
    }
    if (errno != EEXIST || attempt == 100) fail("Cannot create file", name, errno);
  }
}

TFileReplacement::~TFileReplacement() {
  // Nothing to report from a destructor: at worst a stray temporary file stays behind.
  if (!committed_) (void)::unlink(tempName_.c_str());
}

void TFileReplacement::RemoveUnfinished(const std::string &Folder) {
  namespace fs = std::filesystem;
  auto isTemporary = [](const std::string &name) {
    const size_t mark = name.size() - std::min(name.size(), tempMark.size() + tempDigits);
    return mark > 0 && name.compare(mark, tempMark.size(), tempMark) == 0 &&
           name.find_first_not_of("0123456789abcdef", mark + tempMark.size()) == std::string::npos;
  };
  std::error_code error;
  for (fs::recursive_directory_iterator file(Folder, error), end; !error && file != end;
       file.increment(error))
    if (std::error_code ignored;
        file->is_regular_file(ignored) && isTemporary(file->path().filename().string()))
      fs::remove(file->path(), ignored);
}

void TFileReplacement::Commit() {
  struct stat old {};
  if (::stat(fileName_.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
      ::chmod(tempName_.c_str(), old.st_mode & 07777) != 0)
    fail("Cannot set the permissions of file", tempName_, errno);
  syncFile(tempName_);
  if (::rename(tempName_.c_str(), fileName_.c_str()) != 0)
    fail("Cannot replace file", fileName_, errno);
  committed_ = true;
  syncFolder(folderOf(fileName_));
}

} // namespace zs::platform
