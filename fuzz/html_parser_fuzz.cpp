// Feeds any bytes through the HTML parser as a page: whole, and cut into blocks whose
// lengths come from the page's own bytes. Nothing may crash, hang or break the custom-block
// protocol; the cut page must give the output, links and custom blocks of the whole one;
// an exact copy must be the page itself and report the links a browsable one reports; and a
// browsable copy in which no link is accepted, with custom blocks given back unchanged, only
// points links at the web, so that copying that copy again changes nothing (a site elsewhere
// makes such copies common).
//
// Input: one option byte, then the page. Option bits: 0 browsable copy, 1 custom blocks come
// back rewritten, 2 the job's site is elsewhere (no link of the page is accepted); bits 3 to
// 7 bound the block lengths (0: blocks of one byte).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "kernel/module_startup.h"
#include "tests/parsing/html_test_support.h"

namespace {

using namespace zs;
using testing::THTMLPage;
using testing::TPageRun;

void check(bool condition, const char *what) {
  if (condition) return;
  fprintf(stderr, "broken: %s\n", what);
  abort();
}

THTMLPage &pageParser(TCopyType copyType, bool rewrite, bool elsewhere) {
  static std::map<int, std::unique_ptr<THTMLPage>> parsers;
  std::unique_ptr<THTMLPage> &parser = parsers[copyType * 4 + rewrite * 2 + elsewhere];
  if (!parser)
    parser = std::make_unique<THTMLPage>(copyType, rewrite,
                                         elsewhere ? "http://elsewhere/" : "http://host/");
  return *parser;
}

// Each block as long as one more than its first byte, modulo the bound.
std::vector<std::string_view> cutByBytes(std::string_view page, unsigned bound) {
  std::vector<std::string_view> blocks;
  while (!page.empty()) {
    size_t length = 1 + static_cast<unsigned char>(page[0]) % (bound + 1);
    blocks.push_back(page.substr(0, length));
    page.remove_prefix(std::min(length, page.size()));
  }
  return blocks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = [] {
    // Settings of its own, in a fresh folder: the user's hives stay untouched.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("zs-html-fuzz-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir);
    setenv("ZELVOR_SUMBRA_USER_HIVE", (dir / "user.db").c_str(), 1);
    setenv("ZELVOR_SUMBRA_MACHINE_HIVE", (dir / "machine.db").c_str(), 1);
    StartModules();
    return true;
  }();
  (void)started;
  if (size == 0) return 0;

  const uint8_t options = data[0];
  const bool browsable = options & 1, rewrite = options & 2, elsewhere = options & 4;
  const std::string_view page(reinterpret_cast<const char *>(data) + 1, size - 1);

  THTMLPage &parser = pageParser(browsable ? ctBrowsable : ctExact, rewrite, elsewhere);
  const TPageRun whole = parser.Parse(page);
  const TPageRun cut = parser.Parse(cutByBytes(page, options >> 3));
  check(cut.Output == whole.Output, "the cut page gives another output");
  check(cut.Links == whole.Links, "the cut page gives other links");
  check(cut.Calls == whole.Calls, "the cut page gives other custom blocks");
  check(whole.Calls.empty() || whole.Calls.back() != "left open", "a custom block left open");

  const TPageRun exact = pageParser(ctExact, rewrite, elsewhere).Parse(page);
  check(exact.Output == page, "an exact copy is not the page");
  const TPageRun copy = pageParser(ctBrowsable, rewrite, elsewhere).Parse(page);
  check(copy.Links == exact.Links, "exact and browsable copies report other links");
  check(copy.Accepted == exact.Accepted, "exact and browsable copies accept other links");
  if (copy.Accepted == 0 && !rewrite)
    check(pageParser(ctBrowsable, rewrite, elsewhere).Parse(copy.Output).Output == copy.Output,
          "a copy without accepted links changes when copied again");
  return 0;
}
