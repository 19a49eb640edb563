// Hostile pages: whatever a page holds, the parser ends, in time linear in the page, and
// writes back what it did not rewrite.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/parsing/html_test_support.h"

namespace zs {
namespace {

using testing::THTMLPage;
using testing::TPageRun;
using Strings = std::vector<std::string>;

TPageRun parseInBlocks(THTMLPage &parser, const std::string &page, size_t blockSize) {
  std::vector<size_t> cuts;
  for (size_t at = blockSize; at < page.size(); at += blockSize)
    cuts.push_back(at);
  return parser.Parse(testing::CutAt<std::string_view>(page, cuts));
}

std::string repeat(const std::string &text, size_t times) {
  std::string result;
  for (size_t i = 0; i < times; ++i)
    result += text;
  return result;
}

TEST(HTMLParserHostile, HugeNamesAndVeryManyAttributesAreReadThrough) {
  THTMLPage parser(ctExact);
  const std::string name(16 << 20, 'a');
  for (const std::string &page :
       {"<html><" + name + " src=/x><img src=/y>", "<html><img " + name + "=1 src=/y>"})
    EXPECT_EQ(parseInBlocks(parser, page, 65536).Links, Strings{"ltImage http://host/y"});

  // In descending name order: the worst order for a sorted container filled one by one.
  const size_t count = 200000;
  std::string page = "<html><script";
  for (size_t i = count; i > 0; --i)
    page += " a" + std::to_string(1000000 + i) + "=" + std::to_string(i);
  page += " src=/s.js>x</script><img" + repeat(" b=1", count) + " src=/y>";
  const TPageRun run = parseInBlocks(parser, page, 4096);
  ASSERT_EQ(run.Calls.size(), 3u);
  EXPECT_TRUE(run.Calls[0].starts_with("begin script {a1000001=1 a1000002=2 "));
  EXPECT_TRUE(run.Calls[0].ends_with(" a1200000=200000 src=/s.js}"));
  EXPECT_EQ(run.Links, Strings{"ltImage http://host/y"});
}

TEST(HTMLParserHostile, CommentsQuotesAndRawTextThatNeverCloseAreReadOnce) {
  THTMLPage parser(ctBrowsable);
  // Every comment after the first ends at its first '>': read again to the end each time,
  // the page would take time quadratic in its length.
  const size_t count = 100000;
  std::string page = "<html>" + repeat("<!-- > <img src=a.gif>", count);
  TPageRun run = parseInBlocks(parser, page, 4096);
  EXPECT_EQ(run.Output, page);
  EXPECT_EQ(run.Links.size(), count);

  page = "<html><a href=\"/x.htm" + repeat("<img src='a.gif'> text ", count);
  run = parseInBlocks(parser, page, 4096);
  EXPECT_EQ(run.Output, page);
  EXPECT_EQ(run.Links.size(), 1u);

  page = "<html><script>" + repeat("</scrip<script><style><xml><plaintext>", count);
  run = parseInBlocks(parser, page, 4096);
  EXPECT_EQ(run.Output, page);
  EXPECT_EQ(run.Calls.size(), 3u);
}

} // namespace
} // namespace zs
