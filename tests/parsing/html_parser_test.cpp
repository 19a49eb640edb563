#include "parsing/html_parser.h"

#include <gtest/gtest.h>

#include "tests/parsing/html_test_support.h"
#include "tests/support/scoped_param.h"

namespace zs {
namespace {

using namespace std::string_literals;
using testing::THTMLPage;
using testing::TPageRun;
using Strings = std::vector<std::string>;

TEST(HTMLParser, EachLinkBearingAttributeIsReportedWithItsType) {
  const std::pair<const char *, Strings> cases[] = {
      {"<area href=/y.htm><form action=go><td background=b.gif>",
       {"ltAHref http://host/y.htm", "ltFormAction http://host/dir/go",
        "ltImage http://host/dir/b.gif"}},
      {"<q cite=c><object codebase=/l/><iframe src=i><img usemap=m#x>",
       {"ltExtra http://host/dir/c", "ltEmbedded http://host/l/", "ltFrame http://host/dir/i",
        "ltFrame http://host/dir/m"}},
      // A rel counts on its own tag only; a second href does not make the first vanish.
      {"<link href=t rel=\"StyleSheet\"><link rel=stylesheet><link href=s rel=next>"
       "<a href=x href=y>",
       {"ltStylesheet http://host/dir/t", "ltAHref http://host/dir/s", "ltAHref http://host/dir/x",
        "ltAHref http://host/dir/y"}},
      // Character references are decoded; what is no reference is left as written.
      {"<IMG SRC='x&#65;&#x42;&amp;&eacute;&bogus;&amp'>",
       {"ltImage http://host/dir/xAB&\xc3\xa9&bogus;&amp"}},
      // Nothing on elements the table does not pair the attribute with, and nothing that
      // the URL parser does not accept.
      {"<div src=x><applet data=x><img href=x><a href=mailto:a@b><a href=#top>"
       "<a href=http://other/>",
       {}},
  };
  THTMLPage page(ctExact);
  for (const auto &[html, links] : cases)
    EXPECT_EQ(page.Parse("<html>"s + html).Links, links) << html;
}

// The requisites of today's pages, with the setting on (the default); with it off, only
// what the table above names.
TEST(HTMLParser, TodaysRequisitesAreFollowedAndRewrittenUnlessSwitchedOff) {
  const std::string html =
      "<html><img src=a.gif srcset=\"s1.gif 1x,s2.gif  2x , /big.gif 640w\">"
      "<picture><source srcset='p.webp'><source srcset=\"q,r.gif,,\"></picture>"
      "<video poster=v.jpg src=m.mp4><source src=m.webm><track src=t.vtt></video>"
      "<audio src=a.ogg></audio><div data-src=lazy.jpg data-bg=bg.png></div>"
      "<link rel=\"shortcut icon\" href=i.ico><link rel=preload href=f.woff2>"
      "<link rel=\"alternate stylesheet\" href=alt.css><svg><use xlink:href=sprite.svg#a>"
      "<image href=pic.png><script href=s.js></script></svg>"
      "<meta http-equiv=Refresh content=\"5;next.html\"><meta content=\"0; URL='n2.html'\">"
      "<meta content=\"3, good\"><meta http-equiv=refresh content=\"x;a.html\">";
  const Strings modern = {"ltImage http://host/dir/a.gif",
                          "ltImage http://host/dir/s1.gif",
                          "ltImage http://host/dir/s2.gif",
                          "ltImage http://host/big.gif",
                          "ltImage http://host/dir/p.webp",
                          "ltImage http://host/dir/q,r.gif",
                          "ltImage http://host/dir/v.jpg",
                          "ltEmbedded http://host/dir/m.mp4",
                          "ltEmbedded http://host/dir/m.webm",
                          "ltEmbedded http://host/dir/t.vtt",
                          "ltEmbedded http://host/dir/a.ogg",
                          "ltImage http://host/dir/lazy.jpg",
                          "ltImage http://host/dir/bg.png",
                          "ltImage http://host/dir/i.ico",
                          "ltEmbedded http://host/dir/f.woff2",
                          "ltStylesheet http://host/dir/alt.css",
                          "ltImage http://host/dir/sprite.svg",
                          "ltImage http://host/dir/pic.png",
                          "ltScript http://host/dir/s.js <script {href=s.js}>",
                          "ltAHref http://host/dir/next.html",
                          "ltAHref http://host/dir/n2.html"};
  EXPECT_EQ(THTMLPage(ctExact).Parse(html).Links, modern);
  // Each candidate is replaced where it stands; separators and descriptors stay.
  const std::string copy = THTMLPage(ctBrowsable).Parse(html).Output;
  EXPECT_NE(copy.find("srcset=\"s1.gif 1x,s2.gif  2x , ../big.gif 640w\""), std::string::npos)
      << copy;
  EXPECT_NE(copy.find("srcset=\"q,r.gif,,\""), std::string::npos) << copy;
  EXPECT_NE(copy.find("content=\"0; URL='n2.html'\""), std::string::npos) << copy;
  EXPECT_NE(copy.find("content=\"x;a.html\""), std::string::npos) << copy;

  // Links the job does not copy lead to the web: relative ones become absolute, in every
  // construct; a base that leads away, and links written absolute, stay as they are.
  const TPageRun away =
      THTMLPage(ctBrowsable, true, "http://elsewhere/")
          .Parse("<html><base href=/b/><a href=\"x y.html#top\">x</a><img srcset=\"s.gif 2x\">"
                 "<meta http-equiv=refresh content='1; url=/r.html'><a href=//cdn/c>c</a>"
                 "<a href=http://HOST/dir/>h</a><a href=mailto:a@b>m</a><a href=#here>#</a>");
  EXPECT_EQ(away.Output,
            "<html><base href=/b/><a href=\"http://host/dir/x y.html#top\">x</a>"
            "<img srcset=\"http://host/dir/s.gif 2x\"><meta http-equiv=refresh "
            "content='1; url=http://host/r.html'><a href=http://cdn/c>c</a>"
            "<a href=http://HOST/dir/>h</a><a href=mailto:a@b>m</a><a href=#here>#</a>");

  testing::TScopedParam off("FollowModernMarkup", false);
  EXPECT_EQ(THTMLPage(ctExact).Parse(html).Links,
            (Strings{"ltImage http://host/dir/a.gif", "ltAHref http://host/dir/i.ico",
                     "ltAHref http://host/dir/f.woff2", "ltAHref http://host/dir/alt.css"}));
  EXPECT_EQ(THTMLPage(ctBrowsable, false, "http://elsewhere/").Parse(html).Output, html);
}

// Hostile candidate lists cost time in proportion to their length and lose no other byte.
TEST(HTMLParser, HostileSrcsetsAreReadInLinearTime) {
  std::string many = "<html><img srcset=\"";
  for (int i = 0; i < 100000; ++i)
    many += "x" + std::to_string(i % 7) + ".gif " + std::to_string(i % 3 + 1) + "x, ";
  many += ",,, , ,\" alt=end>";
  const TPageRun run = THTMLPage(ctBrowsable).Parse(many);
  EXPECT_GE(run.Links.size(), 100000u);
  EXPECT_TRUE(run.Output.ends_with(",,, , ,\" alt=end>"))
      << run.Output.substr(run.Output.size() - 80);
  // A URL whose commas come to its end once its control bytes go keeps them as its own.
  EXPECT_EQ(THTMLPage(ctBrowsable).Parse("<html><img srcset=\"c,,\x04 2x\">").Output,
            "<html><img srcset=\"c%2C%2C 2x\">");
}

TEST(HTMLParser, LinksAreLookedForOnlyInStartTagsOutsideCommentsInsideTheHtmlElement) {
  const std::pair<const char *, Strings> cases[] = {
      {"<img src=a.gif><p><img src=b.gif>", {}},
      {"<img src=a><HTML><img src=b></html><img src=c></a href=d>", {"ltImage http://host/dir/b"}},
      {"<!DOCTYPE html><html><!-- <img src=a> --><img src=b>", {"ltImage http://host/dir/b"}},
      {"<html><!-- -- > <img src=a> ---><img src=b>", {"ltImage http://host/dir/b"}},
      // The dashes that open a comment may close it too.
      {"<html><!--><img src=a><!-><img src=b>",
       {"ltImage http://host/dir/a", "ltImage http://host/dir/b"}},
      // Not a tag: the text goes on, and the next '<' starts one.
      {"<html>< img src=x><<img src=a>", {"ltImage http://host/dir/a"}},
  };
  THTMLPage page(ctExact);
  for (const auto &[html, links] : cases)
    EXPECT_EQ(page.Parse(html).Links, links) << html;
}

TEST(HTMLParser, ABrowsableCopyReplacesTheValuesOfAcceptedLinksOnly) {
  const std::pair<std::string, const char *> cases[] = {
      {"<a href=\"/x.htm\" title=\"/x.htm\">", "<a href=\"../x.htm\" title=\"/x.htm\">"},
      {"<IMG\nSRC=/a.gif\talt=x ><img src='/a.gif'/>",
       "<IMG\nSRC=../a.gif\talt=x ><img src='../a.gif'/>"},
      {"<img src=`/a.gif`><a href=\"/x.htm#sec\"><a href=\"\">",
       "<img src=`../a.gif`><a href=\"../x.htm#sec\"><a href=\"page.htm\">"},
      {"<a href=\"list.php?a=1&amp;b=2\">", "<a href=\"list.php&amp;qa=1&amp;&amp;b=2\">"},
      // The new value must read back as itself where it stands (the anchor is kept as the
      // page wrote it).
      {"<a href='/x#it&#39;s'><a href=/x#a&#32;b&gt;>",
       "<a href='../x#it&#39;s'><a href=../x#a&#32;b&gt;>"},
      // Blanks around a link and line breaks inside it mean nothing to a browser.
      {"<a href=\" http://host/x.htm\n\"><img src=\"\t/a\r\n.gif&#32;\">",
       "<a href=\"../x.htm\"><img src=\"../a.gif\">"},
      // Not accepted, or nothing written after '=' (no value to replace): as written.
      {"<a href=\"mailto:a@b\"><a href=\"http://other/x\"><a href=\"#top\">", nullptr},
      {"<a href= \"/x.htm\"><a href =\"/x.htm\">", nullptr},
      // Bytes of any encoding around the links stay as they are.
      {"caf\xe9 \xc3\xa9t\xc3\xa9 \xff\0<img alt=\"\xe9\0\" src=\"a.gif\" title=\xc3\xa9>"
       "<!-- \0 --><script>\xe9\0</script>"s,
       nullptr},
  };
  THTMLPage browsable(ctBrowsable), exact(ctExact);
  for (const auto &[html, rewritten] : cases) {
    const std::string input = "<html>" + html;
    const TPageRun copy = browsable.Parse(input);
    EXPECT_EQ(copy.Output, rewritten ? "<html>"s + rewritten : input);
    const TPageRun same = exact.Parse(input);
    EXPECT_EQ(same.Output, input);
    EXPECT_EQ(same.Links, copy.Links) << html;
  }
}

TEST(HTMLParser, ABaseHrefChangesWhereLaterLinksResolve) {
  THTMLPage page(ctBrowsable);
  TPageRun run = page.Parse("<html><img src=a><base href=\"http://host/o/\"><img src=b>");
  EXPECT_EQ(run.Links, (Strings{"ltImage http://host/dir/a", "ltImage http://host/o/b"}));
  EXPECT_EQ(run.Output, "<html><img src=a><base href=\"../o/index.htm\"><img src=b>");
  run = page.Parse("<html><base href=\"mailto:x@y\"><img src=b>");
  EXPECT_EQ(run.Links, Strings{"ltImage http://host/dir/b"});
}

TEST(HTMLParser, EmbeddedContentGoesThroughTheCustomBlockProtocol) {
  THTMLPage page(ctBrowsable, true);
  TPageRun run =
      page.Parse("<html><script src=\"/a.js\" Defer>var s = \"<img src=x></scrip\";</SCRIPT >"
                 "<p style=\"background:url(a)\" onLoad='go()' class=x style=><style>p{}</style>"
                 "<xml><a href=x></xml>");
  // Nothing inside raw text is examined; the provider reports the script's src.
  EXPECT_EQ(run.Links, Strings{});
  EXPECT_EQ(run.Calls,
            (Strings{"begin script {Defer= src=/a.js}", "content var s = \"<img src=x></scrip\";",
                     "end", "custom css background:url(a)", "custom script go()", "begin style {}",
                     "content p{}", "end", "begin xml {}", "content <a href=x>", "end"}));
  EXPECT_EQ(run.Output,
            "<html><script src=\"../a.js\" Defer>VAR S = \"<IMG SRC=X></SCRIP\";[end]</SCRIPT >"
            "<p style=\"BACKGROUND:URL(A)\" onLoad='GO()' class=x style=><style>P{}[end]</style>"
            "<xml><A HREF=X>[end]</xml>");
  // Links of a plaintext start tag carry all its attributes.
  run = page.Parse("<html><plaintext background=\"/a&amp;b\" id=p><img src=b>");
  EXPECT_EQ(run.Links, Strings{"ltImage http://host/a&b <plaintext {background=/a&b id=p}>"});
  EXPECT_EQ(run.Calls,
            (Strings{"begin plaintext {background=/a&b id=p}", "content <img src=b>", "end"}));
}

TEST(HTMLParser, FinishEndsWhateverThePageLeftOpen) {
  struct TCase {
    const char *page;
    const char *output; // nullptr: the page as it was
    Strings links, calls;
  };
  const TCase cases[] = {
      {"<html>text<img", nullptr, {}, {}},
      {"<html><a href=/x ", "<html><a href=../x ", {"ltAHref http://host/x"}, {}},
      // A value the page never ended is judged as read, and written as it was.
      {"<html><img src=/a", nullptr, {"ltImage http://host/a"}, {}},
      {"<html><img src=\"/a", nullptr, {"ltImage http://host/a"}, {}},
      // A comment that never closes ends at its first '>'; the rest is HTML again.
      {"<html><!-- x > <img src=/a> <!-- y > <img src=/b",
       "<html><!-- x > <img src=../a> <!-- y > <img src=/b",
       {"ltImage http://host/a", "ltImage http://host/b"},
       {}},
      {"<html><!DOCTYPE html", nullptr, {}, {}},
      {"<html><script>a = \"</scr", nullptr, {}, {"begin script {}", "content a = \"</scr", "end"}},
      {"<html><script src=/a.js", nullptr, {}, {"begin script {src=/a.js}", "end"}},
      {"<html><style></style", nullptr, {}, {"begin style {}", "content </style", "end"}},
  };
  THTMLPage browsable(ctBrowsable), exact(ctExact);
  for (const TCase &c : cases) {
    const TPageRun run = browsable.Parse(c.page);
    EXPECT_EQ(run.Output, c.output ? c.output : c.page);
    EXPECT_EQ(run.Links, c.links) << c.page;
    EXPECT_EQ(run.Calls, c.calls) << c.page;
    EXPECT_EQ(exact.Parse(c.page).Links, c.links) << c.page;
  }
}

} // namespace
} // namespace zs
