// One end of a connected pair of Unix-domain stream sockets: the channel between the program
// and its separated network process. Writes never raise SIGPIPE; a peer that is gone shows as
// a failed write or as the end of the stream.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>
#include <utility>

namespace zs::platform {

class SocketChannel {
public:
  SocketChannel() = default;
  // Takes ownership of an open socket descriptor.
  explicit SocketChannel(int Descriptor) : fd_(Descriptor) {}
  ~SocketChannel() { Close(); }
  SocketChannel(SocketChannel &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  SocketChannel &operator=(SocketChannel &&other) noexcept;

  // Both ends are closed on exec, so no program started meanwhile by another thread inherits
  // one; the end meant for a child is handed over explicitly. EOSError when it fails.
  static std::pair<SocketChannel, SocketChannel> CreatePair();

  int Descriptor() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  void Close();
  // Ends both directions without releasing the descriptor: a thread blocked in a write or a
  // wait on it returns, and the peer sees the end of the stream.
  void Shutdown();
  void SetNonBlocking();

  // Blocking mode: writes every byte. EOSError when the peer is gone or the write fails.
  void SendAll(std::string_view Bytes);
  // Non-blocking mode: the number of bytes written, 0 when the socket cannot take any now.
  size_t SendSome(std::string_view Bytes);
  // The number of bytes read, 0 at the end of the stream, -1 when a non-blocking socket has
  // nothing now. EOSError when the read fails.
  long ReadSome(char *Buffer, size_t Size);

private:
  int fd_ = -1;
};

// A flag one thread raises to wake another that waits on a channel.
class WakeUpEvent {
public:
  WakeUpEvent(); // EOSError when the system refuses one
  ~WakeUpEvent();
  WakeUpEvent(const WakeUpEvent &) = delete;
  WakeUpEvent &operator=(const WakeUpEvent &) = delete;

  void Signal();
  void Clear();
  int Descriptor() const { return fd_; }

private:
  int fd_ = -1;
};

struct ChannelEvents {
  bool Readable = false; // data or the end of the stream can be read
  bool HungUp = false;   // the peer's end is closed (unread data may remain)
  bool Woken = false;    // the wake-up event was signalled
};

// Waits until the channel is readable (only when WantRead), its peer hangs up, the event
// (when given) is signalled, or the time passes (a negative time waits without limit).
ChannelEvents WaitForChannel(const SocketChannel &Channel, bool WantRead, const WakeUpEvent *Wake,
                             std::chrono::milliseconds MaxWait = std::chrono::milliseconds(-1));

} // namespace zs::platform
