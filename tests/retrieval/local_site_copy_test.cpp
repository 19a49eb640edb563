// Whole jobs copying a site of local files through the real get-file controller, the real
// transfer tool choice, parsers and link list.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

using LocalSiteCopy = FetchTest;

TEST_F(LocalSiteCopy, BrowsableCopyKeepsTextEncodingsAndFailsAMissingFile) {
  WriteFile(site.File("index.html"),
            "<html><a href=\"utf16.html\">u</a> <a href=\"gone.html\">x</a>\n"
            "<p>caf\xC3\xA9 \xE9t\xE9</p></html>\n");
  WriteFile(site.File("page2.html"), "two");
  const std::string utf16Page =
      Utf16LE(u"<html><body><a href=\"page2.html\">"
              u"\u00DCn\u00EFc\u00F6d\u00E9 \U0001D11E</a></body></html>");
  WriteFile(site.File("utf16.html"), utf16Page);
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable);
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  EXPECT_EQ(states[SiteURL("page2.html")], lsCompleteOK);
  EXPECT_EQ(states[SiteURL("gone.html")], lsCompleteBad);
  EXPECT_FALSE(fs::exists(LocalFileOf(job.get(), SiteURL("gone.html"))));
  EXPECT_EQ(LogOf(job.get()), std::vector<std::string>{"Workflow: File or Resource not found (" +
                                                       SiteURL("gone.html") + ")"});
  // Text outside the links is written back byte for byte, whatever its encoding.
  EXPECT_NE(ReadFile(LocalFileOf(job.get(), SiteURL("index.html"))).find("caf\xC3\xA9 \xE9t\xE9"),
            std::string::npos);

  // The UTF-16 page keeps its byte order mark once, and its text; its link to the local copy
  // reads as it did.
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), SiteURL("utf16.html"))), utf16Page);
}

TEST_F(LocalSiteCopy, TodaysRequisitesAreCopiedAndTheirReferencesOpenTheLocalFiles) {
  WriteFile(site.File("index.html"),
            "<html><img src=a.gif srcset=\"s1.gif 1x, s2.gif 2x\"><video poster=v.jpg>"
            "<source src=m.webm></video><div data-src=lazy.jpg></div>"
            "<link rel=\"shortcut icon\" href=i.ico><style>@import \"s.css\";</style>"
            "<meta http-equiv=refresh content=\"30; url=next.html\"></html>");
  for (const char *name : {"a.gif", "s1.gif", "s2.gif", "v.jpg", "m.webm", "lazy.jpg", "i.ico",
                           "next.html", "f.woff2", "x2.png"})
    WriteFile(site.File(name), name);
  // Sheets that import each other are each copied once; fonts and image-set() come along.
  WriteFile(site.File("s.css"), "@import 't.css';body{background:url(bg.png)}");
  WriteFile(site.File("t.css"), "@import url(s.css);@font-face{src:url(f.woff2)}"
                                "p{background:image-set('x2.png' 2x)}");
  WriteFile(site.File("bg.png"), "bg.png");
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable);
  ASSERT_TRUE(RunToEnd(job.get()));
  const std::string page = ReadFile(LocalFileOf(job.get(), SiteURL("index.html")));
  for (const char *name :
       {"s1.gif", "s2.gif", "v.jpg", "m.webm", "lazy.jpg", "i.ico", "next.html"}) {
    const std::string local = LocalFileOf(job.get(), SiteURL(name));
    EXPECT_EQ(ReadFile(local), name);
    // Referred to by its name beside the page.
    EXPECT_NE(page.find(fs::path(local).filename().string()), std::string::npos) << name;
  }
  // The style element is read as a sheet, and so is the sheet it imports: the references of
  // both are copied.
  EXPECT_NE(page.find("@import \"s.css\""), std::string::npos) << page;
  for (const char *name : {"bg.png", "f.woff2", "x2.png"})
    EXPECT_EQ(ReadFile(LocalFileOf(job.get(), SiteURL(name))), name);
  EXPECT_EQ(LinkStates(job.get()).size(), 14u);
}

TEST_F(LocalSiteCopy, SchemeWithoutToolFailsItsLink) {
  TScopedEntry<ComPtr<IGetFileTool>(const TParsedURL &, const TURL &)> none(
      GetFileTool, [](const TParsedURL &, const TURL &) { return ComPtr<IGetFileTool>(); });
  WriteFile(site.File("index.html"), "<html></html>");
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(LinkStates(job.get())[SiteURL("index.html")], lsCompleteBad);
  EXPECT_EQ(LogOf(job.get()),
            std::vector<std::string>{"EInternet: Protocol \"file\" unimplemented"});
}

// Stands for a full disk: no file of the process may grow past Bytes while it lives.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST_F(LocalSiteCopy, AFileThatCannotBeWrittenWholeCompletesItsLinkAsBad) {
  WriteFile(site.File("index.html"), "<html><body><img src=\"big.bin\"></body></html>\n");
  WriteFile(site.File("big.bin"), std::string(600 * 1024, 'b'));
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  {
    TFileSizeLimit limit(256 * 1024);
    ASSERT_TRUE(RunToEnd(job.get()));
  }
  std::map<std::string, TLinkState> states = LinkStates(job.get());
  EXPECT_EQ(states[SiteURL("big.bin")], lsCompleteBad);
  EXPECT_EQ(states[SiteURL("index.html")], lsCompleteOK);
  const std::vector<std::string> log = LogOf(job.get());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Cannot write file"), std::string::npos) << log[0];
}

} // namespace
} // namespace zs::testing
