#include "kernel/project_dir.h"

#include <filesystem>
#include <system_error>

#include "platform/text.h"

namespace zs::kernel {

namespace fs = std::filesystem;

namespace {

// The text that stands for a path which may not exist yet: symbolic links and ".." resolved
// in the part that exists, so that two spellings of one future folder (through a link, or
// "a/../a") meet; a trailing slash dropped, so that "/x/site/" and "/x/site" meet too.
std::string comparableText(const std::string &path) {
  std::error_code error;
  fs::path resolved = fs::weakly_canonical(path, error);
  // A part that cannot be examined (no permission) is compared as written.
  if (error) resolved = fs::path(path).lexically_normal();
  std::string text = resolved.string();
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return text;
}

// A path that cannot be examined counts as not existing: its text decides.
bool exists(const std::string &path) {
  std::error_code error;
  return fs::exists(path, error);
}

} // namespace

bool BeginsWithCorrectDiskName(const std::string &Path) {
  if (Path.size() < 3 || Path.front() != '/') return false;
  size_t end = Path.find('/', 1);
  std::string firstComponent = Path.substr(0, end);
  // "//x" has no first component to name: the root is no disk of its own.
  if (firstComponent.size() < 2) return false;
  std::error_code error;
  return fs::is_directory(firstComponent, error);
}

bool IsSameDirectory(const std::string &A, const std::string &B) {
  if (exists(A) && exists(B)) {
    std::error_code error;
    return fs::equivalent(A, B, error) && !error;
  }
  return platform::SameTextIgnoringCase(comparableText(A), comparableText(B));
}

} // namespace zs::kernel
