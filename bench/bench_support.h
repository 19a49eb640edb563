// What the benchmarks share: timing, a private folder with its own settings hives, the link
// tree of a big crawl, a check that ends the run when a result is wrong, and nginx serving a
// folder on 127.0.0.1.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "kernel/interfaces.h"
#include "platform/child_process.h"
#include "tests/support/local_ports.h"
#include "tests/support/scratch_folder.h"

namespace zs::bench {

// The seconds reported are the process's processor time: the machine may be shared, and the
// wall clock there measures the neighbours as much as the work. The first line gives both.
struct TTimer {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t processor = std::clock();
  double Seconds() const { return double(std::clock() - processor) / CLOCKS_PER_SEC; }
  double WallSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
  }
};

// Ends the run when a result is wrong: a fast wrong answer measures nothing.
inline void Check(bool condition, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "benchmark: %s\n", what);
  std::exit(1);
}

// The crawl: 800 directories of 1,000 pages on one host, one directory of 200,000 images on
// another.
constexpr int64_t SiteFiles = 800 * 1000;
constexpr int64_t StaticFiles = 200 * 1000;
constexpr int64_t CrawlLinks = SiteFiles + StaticFiles;

// The n-th link of the crawl, for n in [0, CrawlLinks).
inline void CrawlLink(int64_t n, TLinkDescription &desc) {
  char url[96];
  if (n < SiteFiles) {
    std::snprintf(url, sizeof url, "http://www.example.com/section%03d/page%05d.html",
                  int(n / 1000), int(n % 1000));
    desc.LinkType = ltAHref;
    desc.Tag = "a";
  } else {
    std::snprintf(url, sizeof url, "http://static.example.org/files/item%06d.png",
                  int(n - SiteFiles));
    desc.LinkType = ltImage;
    desc.Tag = "img";
  }
  desc.URL = url;
}

// The peak resident memory of this process so far, in MB.
inline double PeakRSSMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

// nginx serving the files of Root on a free port of 127.0.0.1, with its configuration, logs
// and temporary files in Folder (which must exist). Tuned to be fast rather than to record:
// no access log, sendfile, long keep-alive, so the benchmark measures the fetching side.
// Killed and reaped when the object ends.
class TNginx {
public:
  static constexpr const char *Path = "/usr/sbin/nginx";

  TNginx(const std::filesystem::path &Root, const std::filesystem::path &Folder)
      : port_(testing::ClosedPort()) {
    std::filesystem::path temp = Folder / "temp";
    std::filesystem::create_directories(temp);
    std::ofstream(Folder / "nginx.conf")
        << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
        << "pid " << (Folder / "nginx.pid").string() << ";\n"
        << "events { worker_connections 1024; }\n"
        << "http {\n"
        << "  access_log off;\n"
        << "  sendfile on;\n  tcp_nopush on;\n"
        << "  keepalive_requests 1000000;\n  keepalive_timeout 60s;\n"
        << "  client_body_temp_path " << (temp / "body").string() << ";\n"
        << "  proxy_temp_path " << (temp / "proxy").string() << ";\n"
        << "  fastcgi_temp_path " << (temp / "fastcgi").string() << ";\n"
        << "  uwsgi_temp_path " << (temp / "uwsgi").string() << ";\n"
        << "  scgi_temp_path " << (temp / "scgi").string() << ";\n"
        << "  types { text/html html; text/css css; image/png png; }\n"
        << "  default_type application/octet-stream;\n"
        << "  server {\n    listen 127.0.0.1:" << port_ << ";\n"
        << "    root " << Root.string() << ";\n  }\n"
        << "}\n";
    std::string errorLog = (Folder / "error.log").string();
    process_ =
        platform::ChildProcess::Spawn(Path, {"-p", Folder.string() + "/", "-c",
                                             (Folder / "nginx.conf").string(), "-e", errorLog});
    // Ready once the port takes connections; an nginx that cannot start ends instead.
    bool ready = false;
    for (int attempt = 0; attempt < 3000 && !ready; ++attempt) {
      ready = testing::CanConnect(port_);
      if (!ready && process_.WaitForExit(std::chrono::milliseconds(10))) break;
    }
    if (!ready) {
      std::ostringstream log;
      log << std::ifstream(errorLog).rdbuf();
      throw std::runtime_error("nginx did not start: " + log.str());
    }
  }

  std::string URL(const std::string &Path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + Path;
  }

private:
  int port_;
  platform::ChildProcess process_; // killed and reaped at the end
};

} // namespace zs::bench
