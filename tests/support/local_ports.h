// Ports of 127.0.0.1 for servers that tests and benchmarks start: one the system chose,
// one where nothing listens, and whether a port takes connections.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace zs::testing {

// A TCP socket of 127.0.0.1 on a port the system chose.
class LocalSocket {
public:
  explicit LocalSocket(bool Listen) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &size) != 0 ||
        (Listen && ::listen(fd_, 16) != 0))
      throw std::runtime_error("cannot open a local socket");
    port_ = ntohs(address.sin_port);
  }
  ~LocalSocket() { ::close(fd_); }
  LocalSocket(const LocalSocket &) = delete;
  LocalSocket &operator=(const LocalSocket &) = delete;
  int Port() const { return port_; }
  int Handle() const { return fd_; }

private:
  int fd_;
  int port_ = 0;
};

// A port where nothing listens at the moment of the call: connections are refused, and a
// server may take it.
inline int ClosedPort() { return LocalSocket(false).Port(); }

inline bool CanConnect(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

} // namespace zs::testing
