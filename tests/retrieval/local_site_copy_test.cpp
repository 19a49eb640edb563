// Whole jobs copying a site of local files through the real get-file controller, the real
// transfer tool choice, parsers and link list.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/retrieval/fetch_test_support.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

std::string utf16le(const std::u16string &text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string everyByte() {
  std::string bytes;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b)
      bytes += static_cast<char>(b);
  return bytes;
}

class LocalSiteCopy : public FetchTest {
protected:
  // A small site: pages in two folders, a style sheet with an image of its own, a binary
  // image holding every byte value, a page in UTF-16 and a page whose name has a space.
  void SetUp() override {
    FetchTest::SetUp();
    fs::create_directories(site.File("images"));
    fs::create_directories(site.File("sub"));
    files = {
        {"index.html", "<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body>\n"
                       "<a href=\"page2.html\">two</a> <img src=\"images/logo.png\">\n"
                       "<a href=\"sub/my%20page.html\">three</a> <a href=\"utf16.html\">u</a>\n"
                       "<p>caf\xC3\xA9 \xE9t\xE9</p></body></html>\n"},
        {"page2.html", "<a href=\"index.html\">home</a><img src=\"images/logo.png\">"},
        {"sub/my page.html", "<a href=\"../page2.html\">back</a>"},
        {"style.css", "body { background: url(images/bg.png) }"},
        {"images/logo.png", everyByte()},
        {"images/bg.png", std::string("\x89PNG\r\n\x1A\n\0\0", 10)},
        {"utf16.html",
         utf16le(u"<html><body><a href=\"page2.html\">\u00DCn\u00EFc\u00F6d\u00E9 \U0001D11E"
                 u"</a></body></html>")},
    };
    for (const auto &[name, bytes] : files)
      WriteFile(site.File(name), bytes);
  }

  std::map<std::string, std::string> files; // name in the site folder: bytes
};

TEST_F(LocalSiteCopy, ExactCopyStoresEveryFileWithIdenticalBytes) {
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  EXPECT_EQ(states.size(), files.size());
  for (const auto &[url, state] : states)
    EXPECT_EQ(state, lsCompleteOK) << url;
  for (const auto &[name, bytes] : files) {
    std::string url = SiteURL(name == "sub/my page.html" ? "sub/my%20page.html" : name);
    EXPECT_EQ(ReadFile(LocalFileOf(job.get(), url)), bytes) << name;
  }
  EXPECT_TRUE(LogOf(job.get()).empty());
}

TEST_F(LocalSiteCopy, BrowsableCopyLinksResolveToCopiedFiles) {
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable);
  ASSERT_TRUE(RunToEnd(job.get()));

  int checked = 0;
  for (const std::string name : {"index.html", "page2.html", "sub/my%20page.html", "style.css"}) {
    std::string local = LocalFileOf(job.get(), SiteURL(name));
    std::string text = ReadFile(local);
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_EQ(text.find("file:"), std::string::npos) << text;
    for (const std::string &target : LinkTargets(text)) {
      fs::path resolved = fs::path(local).parent_path() / DecodePercent(target);
      EXPECT_TRUE(fs::is_regular_file(resolved)) << name << " links " << target;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 9);
  // Text outside the links is written back byte for byte, whatever its encoding.
  EXPECT_NE(ReadFile(LocalFileOf(job.get(), SiteURL("index.html"))).find("caf\xC3\xA9 \xE9t\xE9"),
            std::string::npos);
}

TEST_F(LocalSiteCopy, Utf16PageKeepsItsByteOrderMarkOnceAndItsText) {
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable);
  ASSERT_TRUE(RunToEnd(job.get()));

  std::string copy = ReadFile(LocalFileOf(job.get(), SiteURL("utf16.html")));
  ASSERT_GE(copy.size(), 2u);
  EXPECT_EQ(copy.substr(0, 2), "\xFF\xFE");
  std::u16string text;
  for (size_t i = 2; i + 1 < copy.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(copy[i]) |
                                  static_cast<unsigned char>(copy[i + 1]) << 8);
  EXPECT_EQ(copy.size() % 2, 0u);
  EXPECT_EQ(text.find(u'\uFEFF'), std::u16string::npos);
  EXPECT_NE(text.find(u"\u00DCn\u00EFc\u00F6d\u00E9 \U0001D11E"), std::u16string::npos);
  // The page's link was found in the UTF-16 text and now leads to the local copy.
  EXPECT_NE(platform::Utf16ToUtf8(text).find("href=\"page2.html\""), std::string::npos);
}

TEST_F(LocalSiteCopy, MissingFileCompletesItsLinkAsBadAndTellsTheJobLog) {
  WriteFile(site.File("index.html"),
            "<html><body><a href=\"gone.html\">x</a> <a href=\"page2.html\">y</a></body></html>\n");
  ComPtr<IGetSiteJob> job = NewJob(ctExact);
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  EXPECT_EQ(states[SiteURL("gone.html")], lsCompleteBad);
  EXPECT_EQ(states[SiteURL("page2.html")], lsCompleteOK);
  EXPECT_FALSE(fs::exists(LocalFileOf(job.get(), SiteURL("gone.html"))));
  EXPECT_EQ(LogOf(job.get()), std::vector<std::string>{"Workflow: File or Resource not found (" +
                                                       SiteURL("gone.html") + ")"});
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
