// The HTML parser alone on 20 MB of a realistic page (text, nested markup with classes and
// ids, a link or an image every few hundred bytes, scripts, styles and comments), fed in
// blocks of 4 KB, once for an exact copy and once for a browsable one. The custom blocks
// go to a processor that gives them back unchanged. The last line holds the results.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "parsing/html_parser.h"
#include "platform/safecall.h"

namespace {

using namespace zs;
using platform::OleCheck;

// Processor time: the machine is shared, and the wall clock there measures the neighbours.
double processorSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

class TEchoProcessor final : public platform::TNoRefCountObject<ICustomParseProcessor> {
public:
  HRESULT BeginCustom(const std::string &, IParams *) override { return platform::S_OK; }
  HRESULT ProcessCustomBlock(const std::string &Input, std::string *Output) override {
    *Output = Input;
    return platform::S_OK;
  }
  HRESULT FinishCustom(std::string *Output) override {
    Output->clear();
    return platform::S_OK;
  }
  HRESULT ProcessCustom(const std::string &, const std::string &Input,
                        std::string *Output) override {
    *Output = Input;
    return platform::S_OK;
  }
};

void countLink(void *context, const TLinkDescription &) { ++*static_cast<long *>(context); }

std::string realisticPage(size_t size) {
  std::string page =
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html lang=\"en\">\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
      "<title>Zelvor Sumbra &mdash; test page</title>\n"
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/site.css\">\n"
      "<style type=\"text/css\">body { margin: 0; } .nav li { display: inline; }</style>\n"
      "<script type=\"text/javascript\" src=\"/js/site.js\"></script>\n</head>\n<body>\n";
  for (int i = 0; page.size() < size; ++i) {
    const std::string n = std::to_string(i);
    page += "<div class=\"section\" id=\"s" + n + "\">\n<h2 class=\"title\">Section " + n +
            " of the caf\xc3\xa9 guide</h2>\n"
            "<p class=\"lead\">Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do "
            "eiusmod tempor incididunt ut labore et dolore magna aliqua. Ut enim ad minim "
            "veniam, quis nostrud exercitation ullamco laboris nisi ut aliquip ex ea commodo "
            "consequat. <a href=\"/articles/item" +
            n +
            ".html?lang=en&amp;page=2\" "
            "title=\"Article " +
            n +
            "\">Read more&hellip;</a></p>\n"
            "<ul class=\"nav\"><li><a href=\"../index.html\">Home</a></li><li><a "
            "href=\"page" +
            n +
            ".html#top\" class=\"current\">This</a></li></ul>\n"
            "<img src=\"images/photo" +
            n + ".jpg\" width=\"320\" height=\"200\" alt=\"Photo " + n +
            "\" style=\"border: 1px solid #ccc\">\n"
            "<table border=\"0\" cellpadding=\"2\"><tr><td class=\"cell\">Duis aute irure "
            "dolor in reprehenderit</td><td align=\"right\">in voluptate velit esse</td></tr>"
            "</table>\n<!-- section " +
            n + " ends here -->\n";
    if (i % 10 == 0)
      page += "<script type=\"text/javascript\">var s" + n + " = document.getElementById('s" + n +
              "'); if (s && s.offsetTop < 100) { s.className += ' top'; }</script>\n";
    page += "</div>\n";
  }
  return page + "</body>\n</html>\n";
}

double megabytesPerSecond(const std::string &page, TCopyType copyType, long &links) {
  ComPtr<IJobRequest> job = CreateJobRequest();
  TJobRequestDef def;
  def.Title = "bench";
  def.CopyType = copyType;
  def.DownLevel = -1;
  def.PageURL = "http://www.example.com/guide/index.html";
  def.SiteURL = "http://www.example.com/";
  def.ProjectDir = "/tmp/zs-bench";
  OleCheck(job->Change(def));
  ComPtr<IURLParser> urlParser = CreateURLParser(def.PageURL, job.get());
  TEchoProcessor processor;
  ComPtr<IParser> parser = parsing::NewHTMLParser();
  links = 0;
  OleCheck(parser->Init(urlParser.get(), job.get(), &countLink, &links, nullptr, &processor));
  std::string block, output;
  size_t written = 0;
  const double start = processorSeconds();
  for (size_t at = 0; at < page.size(); at += 4096) {
    block.assign(page, at, 4096);
    OleCheck(parser->ProcessBlock(block, &output));
    written += output.size();
  }
  OleCheck(parser->Finish(&output));
  written += output.size();
  const double seconds = processorSeconds() - start;
  if (written < page.size()) {
    std::fprintf(stderr, "the parser lost text\n");
    std::exit(1);
  }
  return double(page.size()) / (1 << 20) / seconds;
}

} // namespace

int main() {
  // Settings of its own: the user's hives stay untouched.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("zs-html-bench-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  setenv("ZELVOR_SUMBRA_USER_HIVE", (dir / "user.db").c_str(), 1);
  setenv("ZELVOR_SUMBRA_MACHINE_HIVE", (dir / "machine.db").c_str(), 1);
  StartModules();
  const std::string page = realisticPage(20 << 20);
  long exactLinks = 0, browsableLinks = 0;
  const double exact = megabytesPerSecond(page, ctExact, exactLinks);
  const double browsable = megabytesPerSecond(page, ctBrowsable, browsableLinks);
  StopModules();
  std::filesystem::remove_all(dir);
  std::printf("page_mb=%.1f links=%ld\n", double(page.size()) / (1 << 20), exactLinks);
  std::printf("html_parser exact_mb_s=%.0f browsable_mb_s=%.0f\n", exact, browsable);
  return exactLinks == browsableLinks ? 0 : 1;
}
