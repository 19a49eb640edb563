#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "tests/parsing/parser_test_support.h"
#include "tests/support/scoped_param.h"

namespace zs {
namespace {

using testing::TestSheet;
using testing::TPostedLink;

testing::TParseResult parseSheet(TCopyType copyType, const std::vector<std::string> &blocks) {
  static const ComPtr<IJobRequest> jobs[] = {testing::NewJob(ctExact),
                                             testing::NewJob(ctBrowsable)};
  return testing::ParseBlocks("css", jobs[copyType].get(), blocks, TestSheet);
}

TPostedLink image(const std::string &url) { return {url, ltImage, "", "", 3}; }
TPostedLink sheet(const std::string &url) { return {url, ltStylesheet, "", "", 3}; }

TEST(CSSParser, ClosedReferencesAreReportedAsImagesAndRewrittenInPlace) {
  struct TCase {
    std::string input, browsable;
    std::vector<TPostedLink> links;
  };
  const TCase cases[] = {
      {"a{background:url(/img/a.gif)}",
       "a{background:url(../img/a.gif)}",
       {image("http://host/img/a.gif")}},
      {"url(img/b.png) url('/a.gif') url(\"http://host/b.gif\")",
       "url(img/b.png) url('../a.gif') url(\"../b.gif\")",
       {image("http://host/dir/img/b.png"), image("http://host/a.gif"),
        image("http://host/b.gif")}},
      // Line breaks and tabs are white space around a reference, never part of it.
      {"url(\n\t'/d.gif'\r\n)", "url(\n\t'../d.gif'\r\n)", {image("http://host/d.gif")}},
      {"URL(/a.gif) Url(/a.gif)", "URL(/a.gif) Url(/a.gif)", {}},
      {"url(http://other.host/a.gif) url(mailto:a@b) url(#top)",
       "url(http://other.host/a.gif) url(mailto:a@b) url(#top)",
       {}},
      // A u met while "url(" is being matched starts nothing.
      {"uurl(/a.gif) urur(/a.gif)", "uurl(/a.gif) urur(/a.gif)", {}},
      // An empty reference is closed: the text after it is not taken for one.
      {"url() x.gif) url('')", "url() x.gif) url('')", {}},
      // A reference left open at the end is written as it was and not reported.
      {"a{b:url('/img/a.gif", "a{b:url('/img/a.gif", {}},
      {"url( ", "url( ", {}},
  };
  for (const TCase &sheet : cases) {
    for (TCopyType copyType : {ctExact, ctBrowsable}) {
      auto result = parseSheet(copyType, {sheet.input});
      EXPECT_EQ(result.Output, copyType == ctExact ? sheet.input : sheet.browsable);
      EXPECT_EQ(result.Links, sheet.links) << sheet.input;
    }
  }
  // An empty block in between does not end what was being read.
  EXPECT_EQ(parseSheet(ctBrowsable, {"x:ur", "", "l(/im", "", "g/a.gif)", ""}).Output,
            "x:url(../img/a.gif)");
}

// What @import names is a style sheet, in a string or in url(); with today's requisites
// switched off, only url() is read, and as an image.
TEST(CSSParser, ImportedSheetsAreFollowedAsStyleSheetsUnlessSwitchedOff) {
  const std::string input =
      "@import \"/a.css\";@IMPORT\n'b.css' screen;@import url(c.css);"
      "a{b:url(/d.gif)} @import \"e.css\n\" @import \"\" @importx 'f.css' @impo 'g'";
  auto result = parseSheet(ctBrowsable, {input});
  EXPECT_EQ(result.Output,
            "@import \"../a.css\";@IMPORT\n'b.css' screen;@import url(c.css);"
            "a{b:url(../d.gif)} @import \"e.css\n\" @import \"\" @importx 'f.css' @impo 'g'");
  EXPECT_EQ(result.Links,
            (std::vector<TPostedLink>{sheet("http://host/a.css"), sheet("http://host/dir/b.css"),
                                      sheet("http://host/dir/c.css"), image("http://host/d.gif")}));
  EXPECT_EQ(parseSheet(ctExact, {input}).Output, input);

  testing::TScopedParam off("FollowModernMarkup", false);
  EXPECT_EQ(parseSheet(ctExact, {input}).Links,
            (std::vector<TPostedLink>{image("http://host/dir/c.css"), image("http://host/d.gif")}));
}

// Today's sheets: candidates of image-set(), quoted references with blanks, escapes, fonts,
// no references in comments, and references the job does not copy pointed at the web.
TEST(CSSParser, TodaysSheetsGiveEveryReferenceABrowserLoads) {
  const std::string input =
      "a{b:-webkit-image-set(\"/1.png\" 1x, url(2.png) 2x, '3 x.png' type(\"image/webp\") 3x)}"
      "/* url(/no.gif) */ c{d:url( \"/a b.gif\" )} e{f:url(/p\\(1\\).gif) g:url(/\\70 .gif)}"
      "@font-face{src:url(/f.woff2) format(\"woff2\"), local('F')}"
      "h{i:url(/../up.gif) j:url(//cdn.example/k.gif) l:url(http://x.example/m.gif)}";
  auto result = parseSheet(ctBrowsable, {input});
  EXPECT_EQ(
      result.Output,
      "a{b:-webkit-image-set(\"../1.png\" 1x, url(2.png) 2x, '3%20x.png' type(\"image/webp\") "
      "3x)}/* url(/no.gif) */ c{d:url( \"../a%20b.gif\" )} e{f:url(../p%281%29.gif) "
      "g:url(../p.gif)}@font-face{src:url(../f.woff2) format(\"woff2\"), local('F')}"
      "h{i:url(../up.gif) j:url(http://cdn.example/k.gif) l:url(http://x.example/m.gif)}");
  EXPECT_EQ(result.Links, (std::vector<TPostedLink>{
                              image("http://host/1.png"), image("http://host/dir/2.png"),
                              image("http://host/dir/3 x.png"), image("http://host/a b.gif"),
                              image("http://host/p(1).gif"), image("http://host/p.gif"),
                              image("http://host/f.woff2"), image("http://host/up.gif")}));
  EXPECT_EQ(parseSheet(ctExact, {input}).Output, input);
  // A job on another site points every relative reference at the web, in any quoting.
  auto foreign = testing::NewJob(ctBrowsable, "http://elsewhere.host/");
  EXPECT_EQ(
      testing::ParseText("css", foreign.get(), "x:url(a b) url( '/c\\'d' ) url(e(f)", TestSheet)
          .Output,
      "x:url(http://host/dir/a b) url( 'http://host/c%27d' ) url(http://host/dir/e(f)");
}

// Exact copies and cuts into blocks are the fuzzer's; here a browsable copy rewrites exactly
// the references it accepts, in any quoting and spacing.
TEST(CSSParser, CopiesChangeNothingButTheReferencesThatABrowsableCopyAccepts) {
  // The site of this job is elsewhere: it accepts no reference of the sheet.
  auto foreign = testing::NewJob(ctBrowsable, "http://elsewhere.host/");
  std::mt19937 random(11);
  for (int round = 0; round < 100; ++round) {
    const std::string sheet = testing::RandomText(random, 300, "url('\" )(\n/a.gif:;u");
    testing::TScopedParam plain("FollowModernMarkup", false);
    ASSERT_EQ(testing::ParseText("css", foreign.get(), sheet, TestSheet).Output, sheet);
  }
  for (int round = 0; round < 100; ++round) {
    const auto [sheet, copy] =
        testing::RewrittenText(random, {":url(%)"}, {"", "'", "\"", " ", "\n"}, "u()");
    ASSERT_EQ(parseSheet(ctBrowsable, {sheet}).Output, copy);
  }
}

TEST(CSSParser, HostileSheetsAreCopiedWithoutHarm) {
  // Megabytes of a reference that never closes, in the blocks of a fetch.
  const std::string open = "a{b:url(" + std::string(4 << 20, 'x');
  std::vector<std::string> blocks;
  for (size_t at = 0; at < open.size(); at += 4096)
    blocks.push_back(open.substr(at, 4096));
  auto result = parseSheet(ctBrowsable, blocks);
  EXPECT_TRUE(result.Output == open);
  EXPECT_TRUE(result.Links.empty());

  // No file can be named after a URL with a zero byte; bytes that are not UTF-8 are bytes.
  result = parseSheet(ctBrowsable, {std::string("url(/a\0b.gif) \0\xc3(url(\xff.gif)", 27)});
  EXPECT_EQ(result.Output, std::string("url(/a\0b.gif) \0\xc3(url(%FF.gif)", 29));
  EXPECT_EQ(result.Links, std::vector{image("http://host/dir/\xff.gif")});
}

} // namespace
} // namespace zs
