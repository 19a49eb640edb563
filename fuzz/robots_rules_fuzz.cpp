// Feeds any bytes to the robots.txt reader and asks it about a path. Nothing may crash or
// take more than linear time, robots.txt itself stays allowed, and the pause asked for stays
// within a day.
//
// Input: the path asked about, a newline, then the text of the robots.txt.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "retrieval/robots_rules.h"

namespace {

void check(bool condition, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view input(reinterpret_cast<const char *>(data), size);
  const size_t newline = input.find('\n');
  const std::string_view path = input.substr(0, newline);
  const std::string_view text = newline == input.npos ? "" : input.substr(newline + 1);
  const zs::retrieval::TRobotsRules rules(text, "Zelvor Sumbra/1.0");
  const bool allowed = rules.Allows(path);
  check(rules.Allows(path) == allowed, "the same question has two answers");
  check(rules.Allows("/robots.txt"), "robots.txt is disallowed");
  check(rules.CrawlDelay() <= std::chrono::hours(24), "the pause is longer than a day");
  return 0;
}
