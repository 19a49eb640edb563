// What the tests of the separated network process share: nginx on a free port of 127.0.0.1
// with a configuration of its own, and ports where nothing answers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "tests/support/local_ports.h"
#include "tests/support/test_environment.h"

namespace zs::testing {

inline constexpr const char *NginxPath = "/usr/sbin/nginx";

// Skips the calling test when nginx is not installed.
#define ZS_REQUIRE_NGINX()                                                                         \
  if (!std::filesystem::exists(::zs::testing::NginxPath))                                          \
  GTEST_SKIP() << "nginx is not installed (" << ::zs::testing::NginxPath                           \
               << "): the tests that fetch over HTTP need it"

// Where the site server listens: a free port, or the given one; with a certificate and its
// key, over TLS.
struct TListen {
  int Port = 0;
  std::string Certificate, Key;
};

// nginx serving the files of Root on one port, and on a second port a stand-in proxy that
// answers every request with the proxy credentials it was given. Locations may add to the
// first server (a slow folder, for instance). Every request of the first server is logged as
// "URI STATUS COMPLETION" ("OK" when the whole answer left). Stopped at the end.
class NginxServer {
public:
  explicit NginxServer(const std::string &Root, const std::string &Locations = "",
                       const TListen &Listen = {})
      : locations_(Locations), listen_(Listen), port_(Listen.Port ? Listen.Port : ClosedPort()),
        proxyPort_(ClosedPort()) {
    WriteFile(dir_.File("nginx.conf"), configuration(Root));
    process_ =
        platform::ChildProcess::Spawn(NginxPath, {"-p", dir_.Path(), "-c", dir_.File("nginx.conf"),
                                                  "-e", dir_.File("error.log")});
    // Ready once both ports take connections; an nginx that cannot start ends instead.
    bool ready = false;
    for (int attempt = 0; attempt < 3000 && !ready; ++attempt) {
      ready = CanConnect(port_) && CanConnect(proxyPort_);
      if (!ready && process_.WaitForExit(std::chrono::milliseconds(10))) break;
    }
    if (!ready)
      throw std::runtime_error("nginx did not start: " + ReadFile(dir_.File("error.log")));
  }

  // The URL of Path, written as a user writes it: without the port when it is the default.
  std::string URL(const std::string &Path, const std::string &Host = "127.0.0.1") const {
    const bool tls = !listen_.Certificate.empty();
    std::string url = (tls ? "https://" : "http://") + Host;
    if (port_ != (tls ? 443 : 80)) url += ":" + std::to_string(port_);
    return url + Path;
  }
  int ProxyPort() const { return proxyPort_; }

  // The lines of the access log so far, one per request nginx has finished with.
  std::vector<std::string> AccessLog() const {
    std::vector<std::string> lines;
    std::string text = ReadFile(dir_.File("access.log"));
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

private:
  std::string configuration(const std::string &root) const {
    std::string text = R"(daemon off; master_process off; worker_processes 1; pid @/nginx.pid;
events { worker_connections 512; }
http {
  log_format requests '$request_uri $status $request_completion';
  access_log @/access.log requests;
  client_body_temp_path @/body; proxy_temp_path @/proxy; fastcgi_temp_path @/fastcgi;
  uwsgi_temp_path @/uwsgi; scgi_temp_path @/scgi;
  types { text/html html; text/plain txt; }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:PORT TLS; root ROOT;
    location = /agent { default_type text/plain; return 200 "$http_user_agent"; }
LOCATIONS  }
  server {
    listen 127.0.0.1:PROXYPORT;
    location / { default_type text/plain; return 200 "proxy [$http_proxy_authorization]"; }
  }
}
)";
    const std::string tls = listen_.Certificate.empty()
                                ? ""
                                : "ssl; ssl_certificate " + listen_.Certificate +
                                      "; ssl_certificate_key " + listen_.Key;
    for (auto [name, value] : {std::pair<std::string, std::string>{"@", dir_.Path()},
                               {"TLS", tls},
                               {"PROXYPORT", std::to_string(proxyPort_)},
                               {"PORT", std::to_string(port_)},
                               {"ROOT", root},
                               {"LOCATIONS", locations_}})
      for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
        text.replace(at, name.size(), value), at += value.size();
    return text;
  }

  TempDir dir_;
  std::string locations_;
  TListen listen_;
  int port_;
  int proxyPort_;
  platform::ChildProcess process_; // killed and reaped at the end
};

} // namespace zs::testing
