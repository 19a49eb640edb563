// The link list at the size of a big crawl: 1,000,000 links (800 directories of 1,000 files
// on one host, one directory of 200,000 files on another) added in a scattered order, each
// handed out and completed; then 200,000 links written to a journal and replayed into a
// fresh list. The last line holds the results.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "kernel/interfaces.h"
#include "links/link_list.h"
#include "platform/safecall.h"

namespace {

using namespace zs;
using bench::Check;
using bench::TTimer;
constexpr int64_t cycleLinks = bench::CrawlLinks;
constexpr int64_t journalLinks = 200 * 1000;

// The owner a job would be: it hears of every change.
class TCountingEvents final : public platform::TComObject<IILinkListEvents> {
public:
  void AllDone() override { ++allDone; }
  void LinkAdded(const TEntryList &, const TLinkDescription &) override { ++added; }
  void StateChanged(const TEntryList &, TLinkState) override { ++changed; }
  int64_t allDone = 0, added = 0, changed = 0;
};

int64_t residentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}

} // namespace

int main() {
  testing::TScratchFolder scratch("linklist-bench");
  const std::filesystem::path &dir = scratch.Path();

  auto events = platform::MakeCom<TCountingEvents>();
  int64_t baseline = residentBytes();
  TTimer cycle;
  double addSeconds, cycleSeconds, cycleWallSeconds;
  int64_t perLink;
  {
    ComPtr<ILinkList> list = links::NewLinkList(events.get(), -1);
    ComPtr<IILinkList> links = list.As<IILinkList>();
    TLinkDescription desc;
    // 999,983 is prime to 1,000,000, so this visits every link once, far from sorted.
    for (int64_t i = 0; i < cycleLinks; ++i) {
      bench::CrawlLink(i * 999983 % cycleLinks, desc);
      platform::OleCheck(list->AddLink(desc, 0));
    }
    addSeconds = cycle.Seconds();
    perLink = (residentBytes() - baseline) / cycleLinks;
    int32_t level = 0;
    int64_t handedOut = 0;
    while (links->GetNextWanted(desc, level)) {
      links->CompleteLink(desc.URL, 1);
      ++handedOut;
    }
    cycleSeconds = cycle.Seconds();
    cycleWallSeconds = cycle.WallSeconds();
    Check(handedOut == cycleLinks && events->allDone == 2, "the cycle lost links");
  }

  std::string journal = (dir / "#Sumbra.&jq").string();
  double writeSeconds, replaySeconds;
  {
    ComPtr<ILinkList> list = links::NewLinkList(events.get(), -1);
    list.As<IILinkList>()->SetJournalFile(journal);
    TLinkDescription desc;
    TTimer write;
    for (int64_t i = 0; i < journalLinks; ++i) {
      bench::CrawlLink(i * 999983 % cycleLinks, desc);
      platform::OleCheck(list->AddLink(desc, 0));
    }
    writeSeconds = write.Seconds();
  }
  {
    ComPtr<ILinkList> list = links::NewLinkList(events.get(), -1);
    ComPtr<IILinkList> links = list.As<IILinkList>();
    links->SetJournalFile(journal);
    int64_t added = events->added;
    TTimer replay;
    links->LoadJournal();
    replaySeconds = replay.Seconds();
    Check(events->added - added == journalLinks, "the replay lost records");
  }
  StopModules();

  std::printf("add_s=%.3f handout_complete_s=%.3f cycle_wall_s=%.3f\n", addSeconds,
              cycleSeconds - addSeconds, cycleWallSeconds);
  std::printf("linklist links=%lld cycle_s=%.3f bytes_per_link=%lld journal_write_per_s=%.0f "
              "journal_replay_per_s=%.0f\n",
              (long long)cycleLinks, cycleSeconds, (long long)perLink, journalLinks / writeSeconds,
              journalLinks / replaySeconds);
  return 0;
}
