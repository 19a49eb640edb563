// Reading robots.txt: which group applies to this program, which rule decides for a path.
#include "retrieval/robots_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zs::retrieval {
namespace {

using std::chrono::milliseconds;

constexpr char agent[] = "Zelvor Sumbra!/ver 1.0";

TEST(RobotsRules, TheGroupNamingThisProgramWinsOverTheOneForEveryRobot) {
  const char text[] = "\xEF\xBB\xBF# rules\r\n"
                      "User-agent: *\r\n"
                      "Disallow: /\r\n"
                      "Crawl-delay: 7\r\n"
                      "\r\n"
                      "User-agent: other\r\n"
                      "User-agent: ZELVOR sumbra\r\n"
                      "Disallow: /private/ # not here\r\n"
                      "Crawl-delay: 1.25\r\n"
                      "User-agent: later\r\n"
                      "Disallow: /public/\r\n";
  TRobotsRules rules(text, agent);
  EXPECT_TRUE(rules.Allows("/index.html"));
  EXPECT_TRUE(rules.Allows("/public/a.html"));
  EXPECT_FALSE(rules.Allows("/private/a.html"));
  EXPECT_EQ(rules.CrawlDelay(), milliseconds{1250});

  TRobotsRules everyone(text, "Another Robot/2");
  EXPECT_FALSE(everyone.Allows("/index.html"));
  EXPECT_TRUE(everyone.Allows("/robots.txt"));
  EXPECT_EQ(everyone.CrawlDelay(), milliseconds{7000});

  // A group that names the program and forbids nothing frees it from the general rules.
  EXPECT_TRUE(
      TRobotsRules("User-agent: *\nDisallow: /\nUser-agent: zelvorsumbra\nDisallow:\n", agent)
          .Allows("/a"));
}

TEST(RobotsRules, TheLongestMatchingRuleDecidesWithWildcardsAndEnds) {
  TRobotsRules rules("user-agent: *\n"
                     "disallow: /shop\n"
                     "allow: /shop/open\n"
                     "disallow: /*.pdf$\n"
                     "disallow: /*/drafts/*/old\n"
                     "allow: /tie\n"
                     "disallow: /tie\n"
                     "disallow: /caf%c3%a9/\n"
                     "noise without colon\n"
                     "crawl-delay: soon\n",
                     agent);
  const std::pair<const char *, bool> cases[] = {
      {"/shop", false},
      {"/shopping?x=1", false},
      {"/shop/open/a.html", true},
      {"/a/b.pdf", false},
      {"/a/b.pdf?page=2", true},
      {"/x/drafts/y/old/z", false},
      {"/x/drafts/old", true},
      {"/tie", true},
      {"/caf\xC3\xA9/menu", false},
      {"/caf%C3%A9/menu", false},
      {"/other", true},
  };
  for (const auto &[path, allowed] : cases)
    EXPECT_EQ(rules.Allows(path), allowed) << path;
  EXPECT_EQ(rules.CrawlDelay(), milliseconds{0});
}

TEST(RobotsRules, HostileFilesStayCheapAndHarmless) {
  // Rules made of stars are matched piece by piece, not by trying every split.
  std::string stars = "User-agent: *\nDisallow: /" + std::string(5000, '*') + "x$\n";
  TRobotsRules rules(stars, agent);
  EXPECT_TRUE(rules.Allows("/" + std::string(100000, 'a')));
  EXPECT_FALSE(rules.Allows("/" + std::string(100000, 'a') + "x"));
  // Rules before any agent, bytes that are no text, a delay of years or below zero.
  TRobotsRules odd(std::string("Disallow: /\n\x01\x02:\xFF\nUser-agent: *\nCrawl-delay: 1e12\n"),
                   agent);
  EXPECT_TRUE(odd.Allows("/"));
  EXPECT_EQ(odd.CrawlDelay(), milliseconds{86400000});
  EXPECT_EQ(TRobotsRules("User-agent: *\nCrawl-delay: -3\n", agent).CrawlDelay(), milliseconds{0});
}

} // namespace
} // namespace zs::retrieval
