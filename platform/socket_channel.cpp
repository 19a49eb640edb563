#include "platform/socket_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/exceptions.h"

namespace zs::platform {

namespace {

[[noreturn]] void fail(const char *what, int code) {
  throw EOSError(std::string(what) + ". " + std::strerror(code), code);
}

} // namespace

SocketChannel &SocketChannel::operator=(SocketChannel &&other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::pair<SocketChannel, SocketChannel> SocketChannel::CreatePair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
    fail("Cannot create a socket pair", errno);
  return {SocketChannel(fds[0]), SocketChannel(fds[1])};
}

void SocketChannel::Close() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

void SocketChannel::Shutdown() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void SocketChannel::SetNonBlocking() {
  int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) != 0)
    fail("Cannot make the channel non-blocking", errno);
}

void SocketChannel::SendAll(std::string_view Bytes) {
  while (!Bytes.empty()) {
    ssize_t written = ::send(fd_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (written < 0) {
      if (errno == EINTR) continue;
      fail("Cannot write to the channel", errno);
    }
    Bytes.remove_prefix(static_cast<size_t>(written));
  }
}

size_t SocketChannel::SendSome(std::string_view Bytes) {
  for (;;) {
    ssize_t written = ::send(fd_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (written >= 0) return static_cast<size_t>(written);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    fail("Cannot write to the channel", errno);
  }
}

long SocketChannel::ReadSome(char *Buffer, size_t Size) {
  for (;;) {
    ssize_t got = ::recv(fd_, Buffer, Size, 0);
    if (got >= 0) return static_cast<long>(got);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    fail("Cannot read from the channel", errno);
  }
}

WakeUpEvent::WakeUpEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) fail("Cannot create an event", errno);
}

WakeUpEvent::~WakeUpEvent() { ::close(fd_); }

void WakeUpEvent::Signal() {
  uint64_t one = 1;
  // The counter cannot overflow in practice; a failed write leaves it raised anyway.
  (void)!::write(fd_, &one, sizeof one);
}

void WakeUpEvent::Clear() {
  uint64_t count;
  (void)!::read(fd_, &count, sizeof count); // EAGAIN: it was not raised
}

ChannelEvents WaitForChannel(const SocketChannel &Channel, bool WantRead, const WakeUpEvent *Wake,
                             std::chrono::milliseconds MaxWait) {
  pollfd fds[2] = {{Channel.Descriptor(), static_cast<short>(WantRead ? POLLIN : 0), 0},
                   {Wake ? Wake->Descriptor() : -1, POLLIN, 0}};
  int timeout = MaxWait.count() < 0 ? -1 : static_cast<int>(MaxWait.count());
  int ready;
  do {
    ready = ::poll(fds, Wake ? 2 : 1, timeout);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) fail("Cannot wait for the channel", errno);
  ChannelEvents events;
  events.Readable = (fds[0].revents & POLLIN) != 0;
  events.HungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  events.Woken = Wake && (fds[1].revents & POLLIN) != 0;
  return events;
}

} // namespace zs::platform
