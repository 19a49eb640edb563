#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/links/url_test_support.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::MakeJob;

const std::string project = "/home/ann/Proj";

std::string relativeLink(IURLParser *parser, const std::string &url) {
  bool accepted = false;
  OleCheck(parser->SetURL(url, &accepted));
  EXPECT_TRUE(accepted) << url;
  std::string link;
  OleCheck(parser->GetRelativeLink(&link));
  return link;
}

TEST(RelativeLink, LinksLeadFromThePagesFolderToTheLocalFile) {
  auto job = MakeJob("http://host/", project, true);
  ComPtr<IURLParser> page = CreateURLParser("http://host/a/page.htm", job.get());
  const std::pair<std::string, std::string> cases[] = {
      {"../img/x.gif", "../img/x.gif"},
      {"x.htm#intro", "x.htm#intro"},
      {"/", "../index.htm"},
      {"q.php?a=1", "q.php&qa=1"},
      {"my%20page.htm", "my%2520page.htm"},
      {"it's (1).htm", "it%27s%20%281%29.htm"},
      {"http://other.org/y.htm", "../../other.org/y.htm"},
  };
  for (const auto &[url, link] : cases)
    EXPECT_EQ(relativeLink(page.get(), url), link) << url;

  ComPtr<IURLParser> away = CreateURLParser("http://other.org/p.htm", job.get());
  EXPECT_EQ(relativeLink(away.get(), "http://host/a/x.htm"), "../%23%20First%20Site/a/x.htm");
  ComPtr<IURLParser> noBase = CreateURLParser("", job.get());
  EXPECT_EQ(relativeLink(noBase.get(), "http://host/x.htm"), project + "/%23%20First%20Site/x.htm");
}

// A browser reads the rewritten link as a URL relative to the page's own file; it must open
// exactly the file that was written.
TEST(RelativeLink, ABrowserOpensExactlyTheFileThatWasWritten) {
  auto job = MakeJob("http://host/", project + "/", true);
  for (std::string pageURL : {"http://host/a/page.htm", "http://other.org/b%20c/d#e/p.htm"}) {
    std::string pageFile;
    ComPtr<IURLParser> alone = CreateURLParser("", job.get());
    bool accepted = false;
    OleCheck(alone->SetURL(pageURL, &accepted));
    OleCheck(alone->GetLocalFileName(&pageFile));

    ComPtr<IURLParser> page = CreateURLParser(pageURL, job.get());
    for (std::string url :
         {"my%20page.htm", "a%23b.htm", "caf\xC3\xA9.htm", "it's (1).htm", "x.htm?q=%2e#f",
          "%2e%2e/y.htm", "sp ace/\ttab.htm", " lead.htm ", "R&D.htm", "../..",
          "http://other.org/a%25b/c.htm", "http://host/a/b#c/d", "http://host/%3F/x?y"}) {
      std::string link = relativeLink(page.get(), url), file;
      OleCheck(page->GetLocalFileName(&file));
      EXPECT_EQ(testing::CollapseSeparators(testing::OpenedFile(pageFile, link)),
                testing::CollapseSeparators(file))
          << url << " written as " << link;
    }
  }
}

} // namespace
} // namespace zs
