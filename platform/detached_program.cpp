#include "platform/detached_program.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/exceptions.h"

extern char **environ;

namespace zs::platform {

namespace {

[[noreturn]] void fail(const std::string &Path, int Code) {
  throw EOSError("Cannot start \"" + Path + "\". " + std::strerror(Code), Code);
}

} // namespace

void StartDetachedProgram(const std::string &Path) {
  struct stat status {};
  if (stat(Path.c_str(), &status) != 0) fail(Path, errno);
  if (chmod(Path.c_str(), status.st_mode | S_IXUSR) != 0) fail(Path, errno);
  // The program's exec failure comes back through a pipe that a successful exec closes.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) fail(Path, errno);
  char *const arguments[] = {const_cast<char *>(Path.c_str()), nullptr};
  // Forked twice: the middle process ends at once, so the program is nobody's child to reap.
  // Between fork and exec only async-signal-safe calls.
  const pid_t middle = fork();
  if (middle == 0) {
    setsid();
    if (fork() == 0) {
      close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
      execve(arguments[0], arguments, environ);
      const int code = errno;
      (void)!write(report[1], &code, sizeof code);
    }
    _exit(0);
  }
  const int forkError = middle < 0 ? errno : 0;
  close(report[1]);
  if (middle > 0) waitpid(middle, nullptr, 0);
  int code = 0;
  const ssize_t got = middle > 0 ? read(report[0], &code, sizeof code) : 0;
  close(report[0]);
  if (forkError) fail(Path, forkError);
  if (got == sizeof code) fail(Path, code);
}

} // namespace zs::platform
