#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/links/url_test_support.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::MakeJob;

const std::string project = "/home/ann/Proj";

// Sets the URL; the canonical URL when accepted, "-" when not.
std::string judge(IURLParser *parser, const std::string &url) {
  bool accepted = false;
  OleCheck(parser->SetURL(url, &accepted));
  std::string canonical = "-";
  if (accepted) OleCheck(parser->GetURL(&canonical));
  return canonical;
}

TEST(URLParser, LinksResolveAgainstThePageWithoutDotSegmentsOrAnchor) {
  auto job = MakeJob("http://host/", project, true);
  ComPtr<IURLParser> parser = CreateURLParser("http://host/a/page.htm?q#top", job.get());
  const std::pair<std::string, std::string> cases[] = {
      {"../../x.htm", "http://host/x.htm"},
      {"/abs.htm#sec", "http://host/abs.htm"},
      {"b//c.htm", "http://host/a/b/c.htm"},
      {"..", "http://host/"},
      {"?p=2", "http://host/a/page.htm?p=2"},
      {"", "http://host/a/page.htm?q"},
      {"//other.host/y.htm", "http://other.host/y.htm"},
      {"http://host/a\\..\\..\\b.htm", "http://host/b.htm"},
      {"HTTP://WWW.Host:80/x", "HTTP://WWW.Host:80/x"},
      {"#top", "-"},
      {"mailto:ann@host", "-"},
      {"http://ho_st/", "-"},
      {std::string("a\0b.htm", 7), "-"},
  };
  for (const auto &[link, expected] : cases)
    EXPECT_EQ(judge(parser.get(), link), expected) << link;
}

TEST(URLParser, OnlyTheSiteIsAcceptedUnlessLinksAwayAreAllowed) {
  for (bool away : {false, true}) {
    auto job = MakeJob("http://www.some.host/docs/", project, away);
    ComPtr<IURLParser> parser = CreateURLParser("http://some.host/docs/", job.get());
    EXPECT_NE(judge(parser.get(), "HTTP://SOME.host:80/docs/x.htm"), "-");
    EXPECT_NE(judge(parser.get(), "sub/y.htm"), "-");
    EXPECT_EQ(judge(parser.get(), "/other/y.htm") != "-", away);
    EXPECT_EQ(judge(parser.get(), "http://other.host/docs/") != "-", away);
    EXPECT_EQ(judge(parser.get(), "ftp://some.host/docs/") != "-", away);
  }
}

TEST(URLParser, LocalFilesAreReachedOnlyFromLocalPagesOrTheUser) {
  auto job = MakeJob("http://host/", project, true);
  ComPtr<IURLParser> web = CreateURLParser("http://host/page.htm", job.get());
  EXPECT_EQ(judge(web.get(), "FILE:///etc/passwd"), "-");
  OleCheck(web->SetBase("file:///home/ann/site/index.htm", ""));
  EXPECT_EQ(judge(web.get(), "b.htm"), "file:///home/ann/site/b.htm");
  EXPECT_EQ(judge(web.get(), "file:///home/ann/x.htm"), "file:///home/ann/x.htm");

  ComPtr<IURLParser> user = CreateURLParser("", job.get());
  EXPECT_EQ(judge(user.get(), "file:///home/ann/a%20b.htm"), "file:///home/ann/a%20b.htm");

  ComPtr<IURLParser> page = CreateURLParser("http://host/page.htm", job.get());
  EXPECT_EQ(judge(page.get(), "http://host/base/"), "http://host/base/");
  OleCheck(page->BaseFromCurrent());
  EXPECT_EQ(judge(page.get(), "x.htm"), "http://host/base/x.htm");
  EXPECT_EQ(judge(page.get(), "file:///x"), "-");
  EXPECT_TRUE(platform::Failed(page->BaseFromCurrent())); // nothing accepted to take
}

TEST(URLParser, BadCallsFailWithoutHarm) {
  auto job = MakeJob("http://host/", project, false);
  EXPECT_THROW(CreateURLParser("", nullptr), EKBadPath);
  EXPECT_THROW(CreateURLParser("", MakeJob("http://host/", "", false).get()), EKBadPath);
  ComPtr<IURLParser> parser = CreateURLParser("", job.get());
  std::string name;
  EXPECT_TRUE(platform::Failed(parser->GetLocalFileName(&name))); // nothing set yet
  EXPECT_EQ(judge(parser.get(), "http://other/"), "-");
  EXPECT_TRUE(platform::Failed(parser->GetRelativeLink(&name)));
  EXPECT_EQ(parser->SetURL("http://host/", nullptr), platform::E_POINTER);
}

TEST(URLParser, NothingResolvesAgainstABrokenBase) {
  auto job = MakeJob("http://host/", project, true);
  for (std::string base : {std::string("http://ho st/a/"), std::string("http://host/a\0/", 15)}) {
    ComPtr<IURLParser> parser = CreateURLParser(base, job.get());
    EXPECT_EQ(judge(parser.get(), "x.htm"), "-");
    EXPECT_EQ(judge(parser.get(), "?q"), "-");
    EXPECT_EQ(judge(parser.get(), "http://host/y.htm"), "http://host/y.htm");
  }
}

} // namespace
} // namespace zs
