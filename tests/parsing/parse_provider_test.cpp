#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "tests/parsing/parser_test_support.h"
#include "tests/plugins/modules/parser_probe.h"
#include "tests/support/scoped_param.h"
#include "tests/support/test_environment.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::ParseBlocks;
using testing::ParseText;
using testing::TPostedLink;

const std::string probeModule = std::string(ZS_TEST_MODULES_DIR) + "/parser_probe_module.so";
// A module that loads but whose main object is no parser.
const std::string goodModule = std::string(ZS_TEST_MODULES_DIR) + "/good_module.so";

// The message of a failed call; "" when it succeeded.
std::string failureOf(HRESULT result) {
  return platform::Failed(result) ? platform::TakeErrorInfo() : "";
}

std::string parserErrorOf(const std::function<void()> &call) {
  try {
    call();
  } catch (const EParser &error) {
    return error.what();
  }
  return "";
}

// Each test has settings of its own and ends with no module loaded.
class ParseProvider : public ::testing::Test {
protected:
  ~ParseProvider() override {
    // A provider left unfinished still holds the parsers of the modules.
    provider.reset();
    FreeAllPlugins();
  }

  static void nameParserModule(const std::string &kind, const std::string &module) {
    OleCheck(GetProfiler()->put_Param("PluginParserModuleName:" + kind, module));
  }
  static testing::TParserProbeRecord &probeRecord(const std::string &kind) {
    return *GetParserModule(kind).As<testing::IParserProbe>()->Record();
  }
  void createProvider(const std::string &contentTag, TCopyType copyType) {
    auto job = testing::NewJob(copyType);
    provider = CreateParseProvider(contentTag, CreateURLParser(testing::TestPage, job.get()).get(),
                                   job.get(), 3, sink.get());
  }
  // The custom processor of a provider, as the probe module's parser received it.
  ICustomParseProcessor *probeProvider() {
    nameParserModule("probe", probeModule);
    createProvider("probe", ctBrowsable);
    return probeRecord("probe").CustomProcessor;
  }

  // A custom block in pieces.
  static std::string customBlock(ICustomParseProcessor *processor, const std::string &type,
                                 IParams *params, const std::vector<std::string> &pieces) {
    std::string output, piece;
    OleCheck(processor->BeginCustom(type, params));
    for (const std::string &input : pieces) {
      OleCheck(processor->ProcessCustomBlock(input, &piece));
      output += piece;
    }
    OleCheck(processor->FinishCustom(&piece));
    return output + piece;
  }

  testing::ScopedHives hives;
  ComPtr<testing::TRecordingLinkSink> sink = platform::MakeCom<testing::TRecordingLinkSink>();
  ComPtr<IParseProvider> provider;
};

TEST_F(ParseProvider, CallsOutOfOrderFailWithTheirMessages) {
  ICustomParseProcessor *processor = probeProvider();
  ASSERT_NE(processor, nullptr);
  std::string output;
  EXPECT_EQ(failureOf(processor->FinishCustom(&output)), "Misplaced call of FinishCustom");
  EXPECT_EQ(failureOf(processor->ProcessCustomBlock("x", &output)),
            "Misplaced call of ProcessCustomBlock");
  OleCheck(processor->BeginCustom("css", nullptr));
  EXPECT_EQ(failureOf(processor->BeginCustom("css", nullptr)),
            "CustomFinish call expected, but BeginCustom occured");
  EXPECT_EQ(failureOf(processor->ProcessCustom("css", "x", &output)),
            "CustomFinish call expected, but BeginCustom occured");
  OleCheck(processor->FinishCustom(&output));
  OleCheck(processor->ProcessCustom("css", "x", &output));
  // A finished provider holds no parser any more and takes nothing.
  OleCheck(provider->Finish(&output));
  EXPECT_EQ(failureOf(provider->ProcessBlock("x", &output)), "Misplaced call of ProcessBlock");
  EXPECT_EQ(failureOf(provider->Finish(&output)), "Misplaced call of Finish");
  EXPECT_EQ(failureOf(processor->BeginCustom("css", nullptr)), "Misplaced call of BeginCustom");
}

TEST_F(ParseProvider, CustomBlocksGoThroughTheParserOfTheirTypeOrWithASourceAreReported) {
  ICustomParseProcessor *processor = probeProvider();
  std::string output;
  OleCheck(processor->ProcessCustom("CSS", "a{b:url(/img/a.gif)}", &output));
  EXPECT_EQ(output, "a{b:url(../img/a.gif)}");
  // A reference still open when the block ends comes back as it was written.
  EXPECT_EQ(customBlock(processor, "Css", nullptr, {"x:url(/im", "g/c.gif) y:url(", "/d.gif"}),
            "x:url(../img/c.gif) y:url(/d.gif");
  EXPECT_EQ(sink->Links, (std::vector<TPostedLink>{{"http://host/img/a.gif", ltImage, "", "", 3},
                                                   {"http://host/img/c.gif", ltImage, "", "", 3}}));

  // The probe would upper-case a script: a block with a source has no parser.
  nameParserModule("script", probeModule);
  const std::tuple<std::string, std::string, std::vector<TPostedLink>> cases[] = {
      {"script", "/js/a.js", {{"http://host/js/a.js", ltScript, "script", "src=/js/a.js", 3}}},
      {"xml", "/data.xml", {{"http://host/data.xml", ltEmbedded, "xml", "src=/data.xml", 3}}},
      {"css", "/a.css", {}},
      {"script", "http://other.host/a.js", {}},
  };
  for (const auto &[type, source, links] : cases) {
    sink->Links.clear();
    ComPtr<IParams> params = CreateParams();
    OleCheck(params->put_Value("src", source));
    EXPECT_EQ(customBlock(processor, type, params.get(), {"f(1)", ";"}), "f(1);");
    EXPECT_EQ(sink->Links, links) << type << " " << source;
  }
  EXPECT_EQ(customBlock(processor, "script", CreateParams().get(), {"f(1)"}), "F(1)");
}

TEST_F(ParseProvider, GetParserGivesTheBuiltInParsersOrTheModulesNamedInTheSettings) {
  EXPECT_TRUE(GetParser("html"));
  EXPECT_FALSE(GetParser("script"));
  EXPECT_NE(GetParser("css"), GetParser("css")); // a new one each time
  EXPECT_EQ(ParseText("plain", testing::NewJob(ctBrowsable).get(), "url(/a.gif)").Output,
            "url(/a.gif)");

  nameParserModule("script", goodModule);
  EXPECT_FALSE(GetParser("script"));
  nameParserModule("script", probeModule);
  nameParserModule("css", probeModule);
  ComPtr<IParser> probe = GetParserModule("script").As<IParser>();
  ASSERT_TRUE(probe);
  EXPECT_EQ(GetParser("script"), probe);
  EXPECT_EQ(GetParser("css"), probe);
  // An exact copy is the input whatever the parser writes.
  createProvider("css", ctExact);
  std::string output;
  OleCheck(provider->ProcessBlock("abc", &output));
  EXPECT_EQ(output, "abc");
  OleCheck(provider->Finish(&output));
  EXPECT_EQ(output, "");
}

TEST_F(ParseProvider, ModulesNamedForCSSOrHTMLThatGiveNoParserAreErrors) {
  nameParserModule("css", goodModule);
  EXPECT_EQ(parserErrorOf([] { GetParser("css"); }), "Invalid external CSS Parser");
  EXPECT_EQ(parserErrorOf([this] { createProvider("css", ctExact); }),
            "Invalid external CSS Parser");
  // A style attribute needs the CSS parser too: the page fails rather than go unparsed.
  createProvider("html", ctBrowsable);
  std::string output;
  EXPECT_EQ(failureOf(provider->ProcessBlock("<html><p style=\"a\">", &output)),
            "Invalid external CSS Parser");

  // Whether the HTML parser is overridden is read once per start of the settings.
  auto restartSettings = [] {
    FinalizeSettingsModule();
    RegisterSettingsModule();
  };
  nameParserModule("html", goodModule);
  restartSettings();
  EXPECT_EQ(parserErrorOf([] { GetParser("html"); }), "Invalid external HTML Parser");
  nameParserModule("html", probeModule);
  EXPECT_EQ(GetParser("html"), GetParserModule("html").As<IParser>());
  nameParserModule("html", "");
  restartSettings();
}

const std::string linkedPage =
    "<!DOCTYPE html>\n<html><head><link rel=stylesheet href=\"/css/site.css\">"
    "<style>a{background:url(/img/s.gif)}</style>"
    "<script src='/js/a.js' type=text/javascript>var u = \"url(/img/x.gif)\";</script></head>"
    "<body background=/img/bg.gif><p style=\"color:red;background:url(/img/p.gif)\">caf\xe9 &amp;"
    "<a href=\"../x.htm?a=1&amp;b=2\">x</a><img src=img/a.gif alt=a><!-- <a href=/no.htm> -->"
    "<a href=mailto:ann@host>m</a><a href='http://other.host/'>o</a></body></html>\n";

TEST_F(ParseProvider, APageIsCopiedExactlyOrWithItsAcceptedLinksRewrittenAndTheyAreReported) {
  std::vector<TPostedLink> links = {
      {"http://host/css/site.css", ltStylesheet, "", "", 3},
      {"http://host/img/s.gif", ltImage, "", "", 3},
      {"http://host/js/a.js", ltScript, "script", "src=/js/a.js type=text/javascript", 3},
      {"http://host/img/bg.gif", ltImage, "", "", 3},
      {"http://host/img/p.gif", ltImage, "", "", 3},
      {"http://host/x.htm?a=1&b=2", ltAHref, "", "", 3},
      {"http://host/dir/img/a.gif", ltImage, "", "", 3},
  };
  EXPECT_EQ(ParseText("html", testing::NewJob(ctExact).get(), linkedPage),
            (testing::TParseResult{linkedPage, links}));

  // The script's content is left alone; the style element is a style sheet.
  std::string expected = linkedPage;
  for (const auto &[from, to] : std::vector<std::pair<std::string, std::string>>{
           {"\"/css/site.css\"", "\"../css/site.css\""},
           {"url(/img/s.gif)", "url(../img/s.gif)"},
           {"'/js/a.js'", "'../js/a.js'"},
           {"=/img/bg.gif", "=../img/bg.gif"},
           {"url(/img/p.gif)", "url(../img/p.gif)"},
           {"\"../x.htm?a=1&amp;b=2\"", "\"../x.htm&amp;qa=1&amp;&amp;b=2\""}})
    expected.replace(expected.find(from), from.size(), to);
  EXPECT_EQ(ParseText("html", testing::NewJob(ctBrowsable).get(), linkedPage),
            (testing::TParseResult{expected, links}));
  // Without today's requisites, the style element's content is left alone too.
  testing::TScopedParam off("FollowModernMarkup", false);
  links.erase(links.begin() + 1);
  EXPECT_EQ(ParseText("html", testing::NewJob(ctExact).get(), linkedPage),
            (testing::TParseResult{linkedPage, links}));
  // A reference left open in a style attribute at the end of a page keeps its text.
  for (const std::string page : {"<html><p style=\"a:url(/img/a.gif", "<html><p style=url( /a"})
    EXPECT_EQ(ParseText("html", testing::NewJob(ctBrowsable).get(), page),
              (testing::TParseResult{page, {}}));
}

// Today's constructs at their worst: a style attribute of 16 MB, references left open inside
// attributes, refreshes of garbage. Each costs time in proportion to its length and leaves
// every other byte of the page as it was.
TEST_F(ParseProvider, HostileStyleAttributesAndRefreshesLoseNoByteOfThePage) {
  std::string huge = "<html><p style=\"";
  while (huge.size() < (16u << 20))
    huge += "a:url(/i.gif);b:image-set('/j.gif' 1x);/*";
  huge += "\"><img src=/k.gif></html>";
  const auto run = ParseBlocks("html", testing::NewJob(ctBrowsable).get(),
                               testing::CutAt(huge, {huge.size() / 3, huge.size() / 2}));
  EXPECT_EQ(run.Links.back(), (TPostedLink{"http://host/k.gif", ltImage, "", "", 3}));
  EXPECT_TRUE(run.Output.ends_with("\"><img src=../k.gif></html>"));
  const std::string page =
      "<html><p style=\"a:url(/x.gif\" title=y><p style='b:image-set(\"/y.gif'>"
      "<meta http-equiv=refresh content=\"99999999999999999999999;url=\">"
      "<meta http-equiv=refresh content=\";;url==\"><meta content=\"1; url='\">"
      "<meta http-equiv=refresh content=\"1 ; URL = 'a b.html'junk\"><img src=/z.gif>";
  const auto copy = ParseText("html", testing::NewJob(ctBrowsable).get(), page);
  EXPECT_EQ(copy.Output, "<html><p style=\"a:url(/x.gif\" title=y><p style='b:image-set(\"/y.gif'>"
                         "<meta http-equiv=refresh content=\"99999999999999999999999;url=\">"
                         "<meta http-equiv=refresh content=\";;url==\"><meta content=\"1; url='\">"
                         "<meta http-equiv=refresh content=\"1 ; URL = 'a%20b.html'junk\">"
                         "<img src=../z.gif>");
  EXPECT_EQ(copy.Links, (std::vector<TPostedLink>{{"http://host/dir/a b.html", ltAHref, "", "", 3},
                                                  {"http://host/z.gif", ltImage, "", "", 3}}));
}

TEST_F(ParseProvider, StyleElementsGoToTheModuleNamedForStyleWhichIsKeptForTheFile) {
  const std::string page = "<html><style id=1>a{b:url(/a.gif)}</style><style id=2>p{}</style>";
  nameParserModule("style", probeModule);
  createProvider("html", ctBrowsable);
  std::string output, rest;
  OleCheck(provider->ProcessBlock(page, &output));
  const testing::TParserProbeRecord &record = probeRecord("style");
  EXPECT_EQ(output, "<html><style id=1>A{B:URL(/A.GIF)}</style><style id=2>P{}</style>");
  EXPECT_EQ(record.BlocksCreated, 1);
  EXPECT_EQ(record.Inits, 2);
  EXPECT_EQ(record.ParamsID, "2");
  EXPECT_EQ(record.BlocksReleased, 0);
  OleCheck(provider->Finish(&rest));
  EXPECT_EQ(record.BlocksReleased, 1);
  EXPECT_TRUE(sink->Links.empty());
}

// Small pages cut in every way; a larger one cut in two and three in every way that puts the
// cuts close together; random pages into single bytes and at random.
TEST_F(ParseProvider, AnyCutOfAPageIntoBlocksGivesTheResultOfTheWholePage) {
  auto job = testing::NewJob(ctBrowsable);
  for (const std::string page : {"<html><a s=/", "<html><b s=a", "<p style=u(a", "<i onx=\"u\">",
                                 "<!--a-->b<!", "<style>x</st", "<x a=&lt;>"}) {
    const auto whole = ParseText("html", job.get(), page);
    testing::ForEveryCut(page, [&](const std::vector<std::string> &blocks) {
      ASSERT_EQ(ParseBlocks("html", job.get(), blocks), whole) << page << " / " << blocks.size();
    });
  }
  const auto whole = ParseText("html", job.get(), linkedPage);
  for (size_t first = 1; first < linkedPage.size(); ++first) {
    ASSERT_EQ(ParseBlocks("html", job.get(), testing::CutAt(linkedPage, {first})), whole) << first;
    for (size_t second = first + 1; second < std::min(linkedPage.size(), first + 12); ++second)
      ASSERT_EQ(ParseBlocks("html", job.get(), testing::CutAt(linkedPage, {first, second})), whole)
          << first << " " << second;
  }
  std::mt19937 random(17);
  ASSERT_EQ(ParseBlocks("html", job.get(), testing::RandomCut(linkedPage, random, 1)), whole);
}

TEST_F(ParseProvider, CopiesOfAnyPageChangeNothingButTheLinksThatABrowsableCopyAccepts) {
  auto exact = testing::NewJob(ctExact);
  auto browsable = testing::NewJob(ctBrowsable);
  // The site of this job is elsewhere: it accepts no link of the page.
  auto foreign = testing::NewJob(ctBrowsable, "http://elsewhere.host/");
  std::mt19937 random(19);
  for (int round = 0; round < 200; ++round) {
    auto [page, copy] = testing::RewrittenText(
        random, {"<a href=%>", "<img alt=# src=%>", "<p style=Qa:url(@)Q>", "<td background=%>"},
        {"", "'", "\""}, "<&");
    page = "<html>" + page;
    const auto copied = ParseText("html", exact.get(), page);
    ASSERT_EQ(copied.Output, page);
    const testing::TParseResult rewritten{"<html>" + copy, copied.Links};
    ASSERT_EQ(ParseText("html", browsable.get(), page), rewritten);
    ASSERT_EQ(ParseBlocks("html", browsable.get(), testing::RandomCut(page, random, round % 8 + 1)),
              rewritten);
    testing::TScopedParam plain("FollowModernMarkup", false);
    ASSERT_EQ(ParseText("html", foreign.get(), page).Output, page);
  }
}

} // namespace
} // namespace zs
