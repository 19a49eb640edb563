// Where a page is cut into blocks changes nothing, whatever the page holds.
#include <gtest/gtest.h>

#include <random>

#include "tests/parsing/html_test_support.h"
#include "tests/support/scoped_param.h"

namespace zs {
namespace {

using namespace std::string_literals;
using testing::THTMLPage;
using testing::TPageRun;

// Small pages that pass through every state and every way out of it.
const std::vector<std::string> smallPages = {
    "<html><a href=\"/x.htm?a=1&amp;b=2\" rel=stylesheet>t</a></html><a href=y>",
    "<!DOCTYPE x><html><!-- <img src=a.gif> --><img src='b.gif'/>",
    "<html><script src=/a.js>x=\"</scr\";</SCRIPT><b><style>p{}</st</style >",
    "<html><p style=\"background:url(a.gif)\" onclick=go() id=`q`>",
    "<html><base href=http://host/o/><img src=a.gif usemap=m.htm#x>",
    "<html><!-- x > <img src=/a.gif> <!-- y > <a href=b.htm>",
    "<html><link href=a.css rel=StyleSheet><a href=b.htm rel><img src=\"/c.gif",
    "<html><plaintext background=p.gif>a</plaintext><i>",
    "<html>< <<img\nsrc=\ta.gif\r\n><!-><!--><img src=b.gif><!---->",
    "\0\xe9<html \xff=1><img alt=\"\0\" src=x.gif><a href= x.htm title=&#65;>"s,
    "<html><xml><a href=x></xml><script>var a = \"</scr",
    "<html><img src=a.gif alt='x' title=\"y\"><a href=\"z.htm\" tit",
    "<html><img srcset=\"a.gif 1x, /b.gif 2x,c,,\"><video poster=p.jpg><link rel='x icon' href=i",
};

// Every cut of the page must give what the page whole gives.
void expectSameForEveryCut(THTMLPage &parser, const std::string &page,
                           const std::vector<std::vector<size_t>> &cutsList) {
  const TPageRun whole = parser.Parse(page);
  for (const std::vector<size_t> &cuts : cutsList) {
    if (parser.Parse(testing::CutAt<std::string_view>(page, cuts)) == whole) continue;
    std::string where;
    for (size_t cut : cuts)
      where += std::to_string(cut) + " ";
    ADD_FAILURE() << "[" << page << "] cut before " << where;
    return;
  }
}

TEST(HTMLParserSplit, EveryCutOfASmallPageGivesTheSameOutputLinksAndBlocks) {
  for (TCopyType copyType : {ctBrowsable, ctExact}) {
    THTMLPage parser(copyType, true);
    for (const std::string &page : smallPages) {
      // Every cut in two and in three, and blocks of one character.
      std::vector<std::vector<size_t>> cutsList(1);
      for (size_t i = 1; i < page.size(); ++i) {
        cutsList[0].push_back(i);
        for (size_t j = i; j < page.size(); ++j)
          cutsList.push_back(j == i ? std::vector<size_t>{i} : std::vector<size_t>{i, j});
      }
      expectSameForEveryCut(parser, page, cutsList);
    }
  }
}

// A long page of pieces of markup, text and stray bytes.
std::string randomPage(std::mt19937 &random, size_t size) {
  static const std::vector<std::string> pieces = {"<img src=a.gif>",
                                                  "<a href=\"../x.htm#top\">",
                                                  "<link rel=stylesheet href='s.css'>",
                                                  "<!-- <a href=z> -->",
                                                  "<script src=js/a.js>if (a<b) x='</sc';</script>",
                                                  "<p style=\"color:red\" onclick='f()'>",
                                                  "<style>p{}</style>",
                                                  "<!DOCTYPE html>",
                                                  "caf\xe9 \xc3\xa9 &amp; &#65; ",
                                                  "\0"s,
                                                  "< a>",
                                                  "<br/>",
                                                  "<td background=\"i/b.png\">",
                                                  "<a href=mailto:x@y>",
                                                  "<frame src=f.htm>",
                                                  "\n\t",
                                                  "<x =y>"};
  std::uniform_int_distribution<size_t> pick(0, pieces.size() + smallPages.size() - 1);
  std::string page = "<html>";
  while (page.size() < size) {
    const size_t i = pick(random);
    page += i < pieces.size() ? pieces[i] : smallPages[i - pieces.size()];
  }
  return page;
}

// Mostly short blocks, now and then a long one.
std::vector<size_t> randomCuts(std::mt19937 &random, size_t size) {
  std::uniform_int_distribution<size_t> small(1, 16), large(1, 4096), kind(0, 3);
  std::vector<size_t> cuts;
  for (size_t at = kind(random) ? small(random) : large(random); at < size;
       at += kind(random) ? small(random) : large(random))
    cuts.push_back(at);
  return cuts;
}

TEST(HTMLParserSplit, RandomCutsOfALargePageGiveTheSameResultAndACopyWithoutLinksIsThePage) {
  std::mt19937 random(20240611);
  for (TCopyType copyType : {ctBrowsable, ctExact}) {
    THTMLPage parser(copyType, true);
    for (int pageNumber = 0; pageNumber < 4; ++pageNumber) {
      const std::string page = randomPage(random, 30000);
      std::vector<std::vector<size_t>> cutsList;
      for (int i = 0; i < 10; ++i)
        cutsList.push_back(randomCuts(random, page.size()));
      expectSameForEveryCut(parser, page, cutsList);
    }
  }
  // A browsable copy that accepts no link is the page itself, whatever the page holds, when
  // links not copied are not pointed at the web.
  testing::TScopedParam plain("FollowModernMarkup", false);
  THTMLPage nothingAccepted(ctBrowsable, false, "http://elsewhere/");
  std::vector<std::string> pages = smallPages;
  pages.push_back(randomPage(random, 20000));
  for (const std::string &page : pages) {
    const std::string_view text = page;
    const TPageRun run =
        nothingAccepted.Parse(testing::CutAt(text, randomCuts(random, text.size())));
    ASSERT_EQ(run.Accepted, 0u);
    EXPECT_EQ(run.Output, page);
  }
}

} // namespace
} // namespace zs
