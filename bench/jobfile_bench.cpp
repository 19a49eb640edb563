// The job description of a big crawl: a link list of 1,000,000 links (800 directories of 1,000
// files on one host, one directory of 200,000 files on another, as in the link-list benchmark)
// saved with the job's state and request, then 10,000 more links journalled, and everything
// read back into a fresh list: request, state, links and the journal's replay. The last line
// holds the results.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace {

using namespace zs;
using platform::OleCheck;

using bench::Check;
using bench::TTimer;
constexpr int64_t crawlLinks = bench::CrawlLinks;
constexpr int64_t journalLinks = 10 * 1000;

// The n-th link of the crawl; a third of them fetched, a few failed.
void crawlLink(int64_t n, TLinkDescription &desc, TLinkState &state) {
  bench::CrawlLink(n, desc);
  state = n % 3 == 0 ? lsCompleteOK : n % 101 == 0 ? lsCompleteBad : lsPure;
}

ComPtr<IILinkList> newLinkList() { return CreateLinkList(nullptr, -1).As<IILinkList>(); }

int64_t linksIn(IILinkList &links) {
  int64_t count = 0;
  links.EnumerateLinks([&](const TLinkDescription &, int32_t, TLinkState) { ++count; });
  return count;
}

} // namespace

int main() {
  testing::TScratchFolder scratch("jobfile-bench");
  const std::filesystem::path &dir = scratch.Path();

  std::string project = (dir / "project").string();
  ComPtr<IJobRequest> request = CreateJobRequest();
  OleCheck(request->Change({"Big crawl", ctBrowsable, -1, "", "http://www.example.com/",
                            "http://www.example.com/", true, project}));
  double saveSeconds, saveWallSeconds, loadSeconds, loadWallSeconds;
  uintmax_t fileBytes;
  {
    ComPtr<IILinkList> links = newLinkList();
    TLinkDescription desc;
    TLinkState state;
    // 999,983 is prime to 1,000,000, so this visits every link once, far from sorted.
    for (int64_t i = 0; i < crawlLinks; ++i) {
      crawlLink(i * 999983 % crawlLinks, desc, state);
      links->AddLinkEx(desc, 1, state);
    }
    TTimer save;
    SaveJobDescription(jsStopped, request.get(), links.get(), project);
    saveSeconds = save.Seconds();
    saveWallSeconds = save.WallSeconds();
    fileBytes = std::filesystem::file_size(dir / "project" / "#Sumbra.&jd");

    // The job goes on after the save: what it meets now lands in the journal.
    links->SetJournalFile((dir / "project" / "#Sumbra.&jq").string());
    for (int64_t i = 0; i < journalLinks; ++i) {
      desc.URL = "http://www.example.com/later/page" + std::to_string(i) + ".html";
      links->AddLinkEx(desc, 2, lsPure);
    }
  }

  int64_t loadedLinks;
  {
    ComPtr<IILinkList> links = newLinkList();
    TTimer load;
    ComPtr<IXMLElement> root = OpenJobDescription(project);
    Check(bool(root), "the description does not open");
    ComPtr<IJobRequest> loaded = request;
    Check(LoadJobRequest(root.get(), loaded, false) && loaded != request, "no request read");
    Check(LoadJobState(root.get()) == jsStopped, "wrong state read");
    loadedLinks = LoadLinkList(root.get(), links.get(), project);
    loadSeconds = load.Seconds();
    loadWallSeconds = load.WallSeconds();
    Check(loadedLinks == crawlLinks, "links were lost");
    Check(linksIn(*links) == crawlLinks + journalLinks, "the journal was not replayed");
  }
  StopModules();

  std::printf("save_wall_s=%.3f load_wall_s=%.3f\n", saveWallSeconds, loadWallSeconds);
  std::printf("jobfile links=%lld save_s=%.3f load_s=%.3f file_mb=%.1f\n", (long long)loadedLinks,
              saveSeconds, loadSeconds, double(fileBytes) / 1e6);
  return 0;
}
