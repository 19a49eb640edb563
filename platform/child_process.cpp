#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// This version of the C library declares the pidfd calls without C linkage.
extern "C" {
#include <sys/pidfd.h>
}

#include <cerrno>
#include <cstring>

#include "platform/exceptions.h"

extern char **environ;

namespace zs::platform {

namespace {

[[noreturn]] void fail(const std::string &what, int code) {
  throw EOSError(what + ". " + std::strerror(code), code);
}

// posix_spawn's file actions, released whatever happens.
class SpawnActions {
public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions &) = delete;
  SpawnActions &operator=(const SpawnActions &) = delete;
  posix_spawn_file_actions_t *get() { return &actions_; }

private:
  posix_spawn_file_actions_t actions_;
};

} // namespace

ChildProcess::~ChildProcess() { killAndReap(); }

ChildProcess &ChildProcess::operator=(ChildProcess &&other) noexcept {
  if (this != &other) {
    killAndReap();
    pid_ = std::exchange(other.pid_, -1);
    pidfd_ = std::exchange(other.pidfd_, -1);
    status_ = other.status_;
  }
  return *this;
}

ChildProcess ChildProcess::Spawn(const std::string &Path, const std::vector<std::string> &Arguments,
                                 int Channel) {
  SpawnActions actions;
  // Duplicating onto the same number clears close-on-exec; onto another number the copy is
  // inheritable anyway. Every other descriptor above it is closed, so the child cannot hold
  // the program's files or the far end of its own channel.
  if (Channel >= 0) posix_spawn_file_actions_adddup2(actions.get(), Channel, ChannelDescriptor);
  posix_spawn_file_actions_addclosefrom_np(actions.get(), Channel >= 0 ? ChannelDescriptor + 1 : 3);

  std::vector<char *> argv;
  argv.push_back(const_cast<char *>(Path.c_str()));
  for (const std::string &argument : Arguments)
    argv.push_back(const_cast<char *>(argument.c_str()));
  argv.push_back(nullptr);

  ChildProcess child;
  int error = posix_spawn(&child.pid_, Path.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (error != 0) {
    child.pid_ = -1;
    fail("Cannot start \"" + Path + "\"", error);
  }
  child.pidfd_ = static_cast<int>(::pidfd_open(child.pid_, 0));
  if (child.pidfd_ < 0) {
    int code = errno;
    ::kill(child.pid_, SIGKILL);
    ::waitpid(child.pid_, nullptr, 0);
    child.pid_ = -1;
    fail("Cannot watch the process of \"" + Path + "\"", code);
  }
  return child;
}

void ChildProcess::Kill() {
  if (Running()) ::pidfd_send_signal(pidfd_, SIGKILL, nullptr, 0);
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds MaxWait) {
  if (!Running()) return true;
  pollfd ended = {pidfd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&ended, 1, static_cast<int>(MaxWait.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  ::close(std::exchange(pidfd_, -1));
  return true;
}

void ChildProcess::killAndReap() noexcept {
  if (!Running()) return;
  Kill();
  // After SIGKILL the child ends without running any code of its own, so the wait is short.
  WaitForExit(std::chrono::milliseconds(-1));
}

} // namespace zs::platform
