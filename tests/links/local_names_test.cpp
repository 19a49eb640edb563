#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/links/url_test_support.h"
#include "tests/support/test_environment.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::MakeJob;

const std::string project = "/home/ann/Proj";

// The local file name of an accepted URL, "-" for one that is not accepted.
std::string localName(IURLParser *parser, const std::string &url) {
  bool accepted = false;
  OleCheck(parser->SetURL(url, &accepted));
  std::string name = "-";
  if (accepted) OleCheck(parser->GetLocalFileName(&name));
  return name;
}

TEST(LocalNames, UrlsMapToEscapedNamesUnderTheProjectFolder) {
  const struct {
    bool linksAway;
    std::string url;
    std::string name; // after the project folder
  } cases[] = {
      {false, "http://host/docs/", "/index.htm"},
      {false, "http://host/docs/list.php?p=2", "/list.php&qp=2"},
      {false, "http://host/docs/R&D/a:b*c|d\"e<f>.htm", "/R&&D/a&cb&ac&dd&te&lf&r.htm"},
      {false, "http://host/docs/q.htm?a/b\\c", "/q.htm&qa&sb&bc"},
      {false, "http://host/docs/caf\xC3\xA9/", "/caf\xC3\xA9/index.htm"},
      {false, "http://host/docs/../../../../etc/passwd", "-"},
      {true, "http://host/docs/a.htm", "/# First Site/a.htm"},
      {true, "http://Other.Host:8080/x/", "/Other.Host_@8080/x/index.htm"},
      {true, "http://www.other.org/x.htm", "/other.org/x.htm"},
      {true, "http://host/docs/../../../../etc/passwd", "/host/etc/passwd"},
      {true, "http://host/a/%2e%2e/%2e%2e/x", "/host/a/%2e%2e/%2e%2e/x"},
      {true, "http://../x", "/&../x"},
  };
  for (const auto &c : cases) {
    auto job = MakeJob("http://host/docs/", project, c.linksAway);
    ComPtr<IURLParser> parser = CreateURLParser("http://host/docs/page.htm", job.get());
    EXPECT_EQ(localName(parser.get(), c.url), c.name == "-" ? c.name : project + c.name) << c.url;
  }
  // The folder of the current URL, and that of its domain.
  auto job = MakeJob("http://host/docs/", project + "/", true);
  ComPtr<IURLParser> parser = CreateURLParser("", job.get());
  localName(parser.get(), "http://www.Some.Host:81/a/b.htm");
  std::string dir, domain;
  OleCheck(parser->GetLocalDir(&dir));
  OleCheck(parser->GetDomainDirName(&domain));
  EXPECT_EQ(dir + " " + domain, project + "/Some.Host_@81/a/ Some.Host_@81");
}

TEST(LocalNames, DirectoriesTakeTheJobsIndexNameAndAnEmptyOneIsFilledOnce) {
  testing::ScopedHives hives;
  OleCheck(GetProfiler()->put_Param("DefaultIndexName", std::string("home.htm")));
  auto job = MakeJob("http://host/", project, false);
  EXPECT_EQ(localName(CreateURLParser("", job.get()).get(), "http://host/a/"),
            project + "/a/home.htm");
  std::string index;
  OleCheck(job->get_IndexName(&index));
  EXPECT_EQ(index, "home.htm");
  OleCheck(GetProfiler()->put_Param("DefaultIndexName", std::string("other.htm")));
  EXPECT_EQ(localName(CreateURLParser("", job.get()).get(), "http://host/"), project + "/home.htm");
  for (auto [index, name] : {std::pair{"../up", "/..&sup"}, {"..", "/&.."}}) {
    TJobRequestDef def;
    OleCheck(job->AsRecDef(&def));
    def.IndexName = index; // stored without validation
    OleCheck(job->Change(def));
    EXPECT_EQ(localName(CreateURLParser("", job.get()).get(), "http://host/"), project + name);
  }
}

// Whatever a page holds, a local name stays inside the project folder.
TEST(LocalNames, NoUrlLeavesTheProjectFolder) {
  const std::string hostile[] = {
      "../../../../../../etc/passwd",
      "http://host/a/../../../../etc/x",
      "..",
      "....//....//x",
      "..\\..\\..",
      "\\..\\..\\x",
      "%2e%2e/%2e%2e/x",
      "http://.../..",
      "http://www..",
      "file:///../../etc/passwd",
      std::string(100000, '/') + "..",
      [] {
        std::string deep;
        for (int i = 0; i < 20000; ++i)
          deep += "../";
        return deep + "x";
      }(),
      "http://" + std::string(20000, '.') + "/..",
      std::string("\0..", 3),
  };
  auto job = MakeJob("http://host/docs/", project, true);
  ComPtr<IURLParser> parser = CreateURLParser("", job.get());
  OleCheck(parser->SetBase("http://host/docs/a/page.htm", ""));
  for (const std::string &url : hostile) {
    std::string name = localName(parser.get(), url);
    if (name == "-") continue;
    ASSERT_TRUE(name.starts_with(project + "/")) << url;
    std::string rest = "/" + name.substr(project.size()) + "/";
    EXPECT_EQ(rest.find("/../"), std::string::npos) << name;
    EXPECT_EQ(rest.find("/./"), std::string::npos) << name;
    EXPECT_EQ(rest.find('\0'), std::string::npos) << name;
  }
}

} // namespace
} // namespace zs
