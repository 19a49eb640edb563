// A program started as a child process, which this object kills and reaps unless it has
// already ended: no child outlives its owner as a zombie.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace zs::platform {

class ChildProcess {
public:
  // The descriptor number under which the child finds the channel handed to Spawn.
  static constexpr int ChannelDescriptor = 3;

  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess &&other) noexcept
      : pid_(std::exchange(other.pid_, -1)), pidfd_(std::exchange(other.pidfd_, -1)),
        status_(other.status_) {}
  ChildProcess &operator=(ChildProcess &&other) noexcept;

  // Starts the program at Path with the arguments after its name. Besides standard input,
  // output and error the child inherits only Channel (when not negative), as descriptor
  // ChannelDescriptor. EOSError with the system's text when the program cannot be started.
  static ChildProcess Spawn(const std::string &Path, const std::vector<std::string> &Arguments,
                            int Channel = -1);

  pid_t Id() const { return pid_; }
  // True from Spawn until the child has been reaped.
  bool Running() const { return pidfd_ >= 0; }
  void Kill();
  // Waits up to MaxWait for the child to end and reaps it; false when it still runs.
  bool WaitForExit(std::chrono::milliseconds MaxWait);
  // After the child was reaped: its exit code, or 128 plus the signal that ended it.
  int ExitStatus() const { return status_; }

private:
  void killAndReap() noexcept;

  pid_t pid_ = -1;
  int pidfd_ = -1; // readable once the child has ended
  int status_ = -1;
};

} // namespace zs::platform
