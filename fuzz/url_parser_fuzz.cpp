// Feeds any bytes through the URL operations and a job's URL parser. Nothing may crash or
// hang, every accepted URL must get a local file name inside the project folder without a
// "." or ".." component or a zero byte, and the relative link written for it must lead a
// browser from the page's folder to exactly that file.
//
// Input: one option byte (bit 0: links away allowed, bit 1: no base page), then lines: the
// site URL, the base page URL, and the links found on the page. A link line that starts
// with "\x02" is a <base href>: when accepted, it becomes the base for the lines after it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "tests/links/url_test_support.h"
#include "tests/support/test_environment.h"

namespace {

using namespace zs;
using platform::OleCheck;

const std::string project = "/fuzz/Proj";

void check(bool condition, const char *what, const std::string &detail) {
  if (condition) return;
  fprintf(stderr, "broken: %s: [%s]\n", what, detail.c_str());
  abort();
}

// The stateless operations must hold on any text, and keep what they promise.
void exerciseServices(const std::string &url) {
  TParsedURL parsed, simple;
  const bool parses = ParseURL(url, parsed, false);
  const bool simplifies = ParseURL(url, simple, true);
  check(parses == simplifies, "parse result depends on simplify", url);
  if (!parses) return;
  // An empty URL is done before any scan, so it stays unsimplified.
  check(simple.Simple == !url.empty(), "simplified record not marked simple", url);
  bool local = false;
  OleCheck(GetURLServices()->IsLocalAnchor(parsed, &local));
  bool same = false;
  OleCheck(GetURLServices()->IsSameSite(simple, simple, &same));
  check(same, "a URL is not in its own site", url);
  TParsedURL again;
  check(ParseURL(UnparseURL(parsed), again, false) || parsed.Sheme.empty(),
        "an unparsed URL does not parse again", url);
  OleCheck(GetURLServices()->EscapeCheck(&parsed));
  for (const std::string *field : {&parsed.Path, &parsed.FileName, &parsed.Query})
    for (char c : *field)
      check(c >= '!' && c <= '~', "escape check left a byte", url);
}

void checkLocalName(const std::string &name, const std::string &url) {
  check(name.starts_with(project + "/"), "local name outside the project folder", url);
  const std::string rest = name.substr(project.size()) + "/";
  check(rest.find("/../") == std::string::npos, "local name holds ..", url);
  check(rest.find("/./") == std::string::npos, "local name holds .", url);
  check(rest.find('\0') == std::string::npos, "local name holds a zero byte", url);
}

// The local file of a page for a parser without base; empty when the job would not take it.
std::string pageFileOf(IJobRequest *job, const std::string &url) {
  ComPtr<IURLParser> alone = CreateURLParser("", job);
  bool accepted = false;
  OleCheck(alone->SetURL(url, &accepted));
  std::string file;
  if (accepted) OleCheck(alone->GetLocalFileName(&file));
  return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static testing::ScopedHives hives;
  static const bool started = [] {
    StartModules();
    if (!CreateURLParser.IsFilled()) RegisterLinksModule();
    return true;
  }();
  (void)started;
  if (size == 0) return 0;

  const uint8_t options = data[0];
  std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);
  auto nextLine = [&text] {
    size_t end = std::min(text.find('\n'), text.size());
    std::string line(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    return line;
  };
  const std::string site = nextLine();
  const std::string base = options & 2 ? std::string() : nextLine();
  exerciseServices(site);
  exerciseServices(base);

  auto job = testing::MakeJob(site, project, options & 1);
  ComPtr<IURLParser> parser = CreateURLParser(base, job.get());
  std::string pageFile = base.empty() ? std::string() : pageFileOf(job.get(), base);
  while (!text.empty()) {
    std::string url = nextLine();
    const bool baseHref = url.starts_with('\x02');
    if (baseHref) url.erase(0, 1);
    exerciseServices(url);
    bool accepted = false;
    OleCheck(parser->SetURL(url, &accepted));
    if (!accepted) continue;
    std::string file, link, canonical;
    OleCheck(parser->GetLocalFileName(&file));
    checkLocalName(file, url);
    OleCheck(parser->GetRelativeLink(&link));
    check(testing::CollapseSeparators(testing::OpenedFile(pageFile, link)) ==
              testing::CollapseSeparators(file),
          "relative link opens another file", url + "] as [" + link + "] for [" + file);
    OleCheck(parser->GetURL(&canonical));
    if (baseHref) {
      OleCheck(parser->BaseFromCurrent());
      OleCheck(parser->GetLocalDir(&pageFile));
    }
  }
  return 0;
}
