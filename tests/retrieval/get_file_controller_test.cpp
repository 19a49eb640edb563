// The get-file controller and its processes with transfer tools of the test's own: the limit
// of simultaneous fetches, cancellation, progress reports and failures of tools.
#include <algorithm>

#include "tests/retrieval/fake_tools.h"
#include "tests/retrieval/fetch_test_support.h"

namespace zs::testing {
namespace {

// Pages in memory: an index linking Count pages named p1.html, p2.html, ...
std::string indexOf(int count, const std::string &linkTag = "a href") {
  std::string page = "<html><body>";
  for (int i = 1; i <= count; ++i)
    page += "<" + linkTag + "=\"p" + std::to_string(i) + ".html\">";
  return page + "</body></html>";
}

class GetFileController : public FetchTest {
protected:
  // Serves the index at once and every page of the index slowly.
  void AddSlowSite(int pages) {
    tools->Add("index.html", {indexOf(pages)});
    for (int i = 1; i <= pages; ++i)
      tools->Add("p" + std::to_string(i) + ".html",
                 {.Bytes = "<html>page " + std::to_string(i) + "</html>", .Slow = true});
  }

  TScopedFakeTools tools;
  TScopedDisplays displays;
};

TEST_F(GetFileController, NoMoreFetchesRunAtOnceThanAllowed) {
  TScopedMaxFetches limit(2);
  AddSlowSite(6);
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  OleCheck(job->Run());

  ASSERT_TRUE(PumpUntil([&] { return InUse(job.get()) == 2 && tools->ActiveNow() == 2; }));
  // Whatever is still queued runs now; with both slots busy no third fetch starts.
  SettleMessages();
  EXPECT_EQ(InUse(job.get()), 2);

  // A higher limit frees a slot at once, without waiting for a fetch to end.
  limit.Set(3);
  ASSERT_TRUE(PumpUntil([&] { return InUse(job.get()) == 3 && tools->ActiveNow() == 3; }));
  EXPECT_EQ(tools->MostAtOnce(), 3);

  tools->OpenGate();
  ASSERT_TRUE(PumpUntil([&] { return StateOf(job.get()) == jsFinished; }));
  EXPECT_EQ(tools->MostAtOnce(), 3);
  for (const auto &[url, state] : LinkStates(job.get()))
    EXPECT_EQ(state, lsCompleteOK) << url;
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), SiteURL("p6.html"))), "<html>page 6</html>");
}

TEST_F(GetFileController, PausingCancelsTheFetchAndItsLinkWaitsAgain) {
  TScopedMaxFetches limit(1);
  AddSlowSite(1);
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  OleCheck(job->Run());
  const std::string page = SiteURL("p1.html");
  // The page's fetch is under way once its tool exists (the index's went before it: one slot).
  ASSERT_TRUE(
      PumpUntil([&] { return LinkStates(job.get())[page] == lsInUse && tools->ActiveNow() == 1; }));

  OleCheck(job->Pause());
  ASSERT_TRUE(PumpUntil([&] { return LinkStates(job.get())[page] == lsPure; }));
  SettleFetches();
  EXPECT_GE(tools->AbortCount(), 1);
  EXPECT_TRUE(LogOf(job.get()).empty());
  std::vector<TDisplayReport> shown = TScopedDisplays::Of(page);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().Kind, "Finished");
  EXPECT_FALSE(shown.back().Flag);

  // The link given back is fetched again when the job runs again.
  tools->OpenGate();
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(LinkStates(job.get())[page], lsCompleteOK);
}

TEST_F(GetFileController, ProgressOfUnknownSizeApproachesAHundredPercent) {
  tools->Add("index.html", {indexOf(2, "img src")});
  tools->Add("p1.html", {.Bytes = std::string(100 * 1024, 'u'), .SizeKnown = false});
  tools->Add("p2.html", {.Bytes = std::string(10000, 'k'), .Chunk = 4000});
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));
  SettleFetches();

  std::vector<TDisplayReport> unknown = TScopedDisplays::Of(SiteURL("p1.html"));
  ASSERT_EQ(unknown.size(), 27u); // begin, 25 chunks of 4 KB, finished
  EXPECT_EQ(unknown.front().Kind, "Begin");
  std::vector<int64_t> percents, counts;
  for (size_t i = 1; i + 1 < unknown.size(); ++i) {
    EXPECT_FALSE(unknown[i].Flag);
    percents.push_back(unknown[i].Position);
    counts.push_back(unknown[i].Amount);
  }
  EXPECT_EQ(std::vector<int64_t>(percents.begin(), percents.begin() + 5),
            (std::vector<int64_t>{33, 55, 70, 80, 86}));
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_LE(percents.back(), 100);
  EXPECT_GE(percents.back(), 99);
  EXPECT_EQ(counts.front(), 4096);
  EXPECT_EQ(counts.back(), 100 * 1024);
  EXPECT_EQ(unknown.back().Kind, "Finished");
  EXPECT_TRUE(unknown.back().Flag);

  std::vector<TDisplayReport> known = TScopedDisplays::Of(SiteURL("p2.html"));
  ASSERT_EQ(known.size(), 5u);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(known[i].Flag);
    EXPECT_EQ(known[i].Position, std::min(4000 * i, 10000));
    EXPECT_EQ(known[i].Amount, 10000);
  }
}

TEST_F(GetFileController, SchemeWithoutToolFailsItsLink) {
  TScopedEntry<ComPtr<IGetFileTool>(const TParsedURL &, const TURL &)> none(
      GetFileTool, [](const TParsedURL &, const TURL &) { return ComPtr<IGetFileTool>(); });
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));

  EXPECT_EQ(LinkStates(job.get())[SiteURL("index.html")], lsCompleteBad);
  EXPECT_EQ(LogOf(job.get()),
            std::vector<std::string>{"EInternet: Protocol \"file\" unimplemented"});
}

TEST_F(GetFileController, LinkTypeDecidesWhatIsParsedAndContentTypeOnlyWhenItCannot) {
  tools->Add("index.html", {"<html><a href=\"p1.html\"><img src=\"p2.html\"><img src=\"p3.html\">"
                            "<script src=\"p4.js\"></script></html>"});
  auto pageLinking = [](const std::string &target, const std::string &contentType) {
    return TFakeResource{.Bytes = "<html><a href=\"" + target + "\">x</a></html>",
                         .ContentType = contentType};
  };
  tools->Add("p1.html", pageLinking("a1.html", "image/png"));
  tools->Add("p2.html", pageLinking("a2.html", "text/html"));
  tools->Add("p3.html", pageLinking("a3.html", ""));
  tools->Add("p4.js", pageLinking("a4.html", "text/html"));
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  EXPECT_TRUE(states.contains(SiteURL("a1.html")));  // a hyperlink is a page, whatever it says
  EXPECT_TRUE(states.contains(SiteURL("a2.html")));  // an image that says it is a page
  EXPECT_FALSE(states.contains(SiteURL("a3.html"))); // an image is copied as it is
  EXPECT_FALSE(states.contains(SiteURL("a4.html"))); // a script is no page
}

} // namespace
} // namespace zs::testing
