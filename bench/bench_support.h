// What the benchmarks share: timing, a private folder with its own settings hives, the link
// tree of a big crawl, and a check that ends the run when a result is wrong.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "kernel/interfaces.h"
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
inline void Check(bool condition, const char* what) {
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
inline void CrawlLink(int64_t n, TLinkDescription& desc) {
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

}  // namespace zs::bench
