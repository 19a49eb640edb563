#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "links/url_operations.h"
#include "platform/safecall.h"
#include "tests/support/test_environment.h"

namespace zs {
namespace {

using platform::OleCheck;

TParsedURL parsed(const std::string &url, bool simplify = false) {
  TParsedURL result;
  OleCheck(GetURLServices()->Parse(url, &result, simplify));
  return result;
}

// The fields in record order after Simple.
std::vector<std::string> fieldsOf(const TParsedURL &url) {
  return {url.Sheme, url.UserAndPass, url.Prefix, url.Domain, url.Port,
          url.Path,  url.FileName,    url.Query,  url.Anchor};
}

TEST(URLServices, ParseSplitsUrlsIntoFieldsThatUnparseJoinsAgain) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"../img/a.gif", {"", "", "", "", "", "../img/", "a.gif", "", ""}},
      {"HTTP://WWW.Some.Host:80/A/b.htm?x#y",
       {"HTTP", "", "WWW", "Some.Host", "80", "/A/", "b.htm", "?x", "#y"}},
      {"http://user:pw@host/", {"http", "user:pw", "", "host", "", "/", "", "", ""}},
      {"http://h/a\\b.htm", {"http", "", "", "h", "", "/a\\", "b.htm", "", ""}},
      {"file:///home/ann/a.htm", {"file", "", "", "", "", "home/ann/", "a.htm", "", ""}},
  };
  for (const auto &[url, fields] : cases) {
    TParsedURL result;
    EXPECT_TRUE(ParseURL(url, result, false)) << url;
    EXPECT_EQ(fieldsOf(result), fields) << url;
    std::string joined;
    OleCheck(GetURLServices()->Unparse(result, &joined));
    EXPECT_EQ(joined, result.Sheme.empty() ? "://" + url : url);
  }
  for (std::string url : {"file:////x", "gopher://.a.b/x"})
    EXPECT_EQ(UnparseURL(parsed(url)), url);
  EXPECT_EQ(UnparseURL(parsed("a/b.htm")), "://a/b.htm");
}

TEST(URLServices, MalformedUrlsFailToParseButThePublishedParseGivesWhatItRead) {
  for (std::string url : {"http://host:/", "http://ho_st/", "http://host:8o/", "http://@/",
                          "mailto:ann@host", "http:/x", "http://"}) {
    TParsedURL result;
    EXPECT_FALSE(ParseURL(url, result, false)) << url;
    EXPECT_EQ(fieldsOf(parsed(url)), fieldsOf(result)) << url;
  }
  EXPECT_EQ(GetURLServices()->Parse("http://h/", nullptr, false), platform::E_POINTER);
}

TEST(URLServices, SimplifiedRecordsOfTheSameSiteAreEqualWithPrefixesAndPortsFromTheSettings) {
  TParsedURL url = parsed("HTTP://WWW.Some.Host:80/A/b.htm?x#y", true);
  EXPECT_TRUE(url.Simple);
  EXPECT_EQ(url, parsed("http://some.host/A/b.htm?x#y", true));
  EXPECT_EQ(parsed("https://Host", true).Port, "80");
  EXPECT_EQ(parsed("http://host", true).Path, "/");
  EXPECT_EQ(parsed("gopher://host/", true).Port, "");
  testing::ScopedHives hives;
  OleCheck(GetProfiler()->put_Param("DefaultPort:http", std::string("8080")));
  EXPECT_EQ(parsed("http://host/", true).Port, "8080");
  OleCheck(GetProfiler()->put_Param("IgnorePrefix", false));
  EXPECT_EQ(parsed("http://www.a.b/").Domain, "www.a.b");
}

TEST(URLServices, EscapeCheckEncodesBytesOutsidePrintableAsciiExceptInTheAnchor) {
  TParsedURL url = parsed("http://h/a b/\xC3\xA9.htm?q=\x01%#a b");
  OleCheck(GetURLServices()->EscapeCheck(&url));
  EXPECT_EQ(fieldsOf(url), (std::vector<std::string>{"http", "", "", "h", "", "/a%20b/",
                                                     "%C3%A9.htm", "?q=%01%", "#a b"}));
}

TEST(URLServices, SameSiteComparesHostAndPathPrefixOfSimplifiedRecords) {
  const TParsedURL site = parsed("http://www.host.org/dir/index.html", true);
  for (auto [url, same] : {std::pair{"http://HOST.org:80/dir/sub/a.htm", true},
                           {"http://:@host.org/dir/", true},
                           {"http://host.org", false},
                           {"http://host.org/dirx/", false},
                           {"http://host.org/Dir/", false},
                           {"https://host.org/dir/", false},
                           {"http://u@host.org/dir/", false}}) {
    bool value = !same;
    OleCheck(GetURLServices()->IsSameSite(site, parsed(url, true), &value));
    EXPECT_EQ(value, same) << url;
    // The parsers judge links without simplifying them first: the answer must not change.
    links::TURLSettings settings;
    EXPECT_EQ(links::IsInSite(site, parsed(url), settings), same) << url;
  }
}

} // namespace
} // namespace zs
