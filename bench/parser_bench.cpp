// The parsers at the size of a big site: 20 MB of pages (text, tables, about 20 links and 3
// images per 4 KB, inline styles, a style element, scripts, comments, entities) and 5 MB of
// style sheets full of url() references, fed in the 4 KB blocks of a fetch through a parse
// provider per file, with the URL parser of a real job and a link sink that counts. The
// last line holds the results.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"

namespace {

using namespace zs;
using platform::OleCheck;

constexpr size_t megabyte = 1 << 20;
constexpr size_t blockSize = 4096;
constexpr size_t pageSize = 64 * 1024;

// The job's side of a fetch: it only counts the links posted to it.
class TCountingLinkSink final : public platform::TComObject<IIJobAsyncProvider> {
public:
  ComPtr<IIThreadContextSupport> GetFileEvents() override { return nullptr; }
  ComPtr<IJobRequest> GetJobRequest() override { return nullptr; }
  void PostCompleteLink(const std::string &, const TFetchOutcome &) override {}
  void PostCancelLink(const std::string &) override {}
  ComPtr<IUnknown> GetHostManners() override { return nullptr; }
  void PostAddLink(const TLinkDescription &, int32_t) override { ++links; }
  int64_t links = 0;
};

// Text of a site: the same generator makes pages and sheets.
class TSiteWriter {
public:
  // A link as pages write them: mostly relative, some absolute, some that the job refuses.
  std::string href() {
    switch (pick(10)) {
    case 0: return "http://www.example.com/section" + number(40) + "/page" + number(500) + ".html";
    case 1: return "http://other.example.org/ref/" + number(1000) + ".html";
    case 2: return "#section" + number(20);
    case 3: return "../section" + number(40) + "/index.html?page=" + number(9) + "&amp;sort=name";
    case 4: return "mailto:info" + number(9) + "@example.com";
    default: return "page" + number(500) + ".html";
    }
  }
  std::string image() { return "/images/photo" + number(2000) + (pick(2) ? ".jpg" : ".png"); }

  std::string words(int count) {
    static const char *const vocabulary[] = {
        "the",         "site",    "copy",        "local",
        "offline",     "archive", "download",    "pages",
        "of",          "and",     "with",        "for",
        "caf&eacute;", "&copy;",  "&nbsp;",      "r&eacute;sum&eacute;",
        "data",        "table",   "value",       "network",
        "link",        "&amp;",   "information", "about"};
    std::string text;
    for (int i = 0; i < count; ++i)
      (text += vocabulary[pick(std::size(vocabulary))]) += ' ';
    return text;
  }

  // About 4 KB of a page body: paragraphs, a table, a list of links, images, inline styles,
  // a comment and now and then a script.
  void bodyChunk(std::string &page) {
    page += "<div class=\"content\" style=\"margin:0 auto;background:url(" + image() + ")\">\n";
    page += "<h2 id=\"s" + number(100) + "\">" + words(6) + "</h2>\n";
    page += "<p>" + words(40) + "<a href=\"" + href() + "\">" + words(3) + "</a> " + words(30) +
            "</p>\n";
    page += "<!-- block " + number(1000) + ": " + words(8) + "-->\n";
    page += "<table class=data border=0 cellpadding=2>\n";
    for (int row = 0; row < 6; ++row) {
      page += "<tr><td style=\"width:30%\">" + words(3) + "</td><td><a href=\"" + href() + "\">" +
              words(2) + "</a></td><td align=right>" + number(100000) + "</td></tr>\n";
    }
    page += "</table>\n<ul class=\"links\">\n";
    for (int item = 0; item < 10; ++item)
      page += "<li><a href='" + href() + "' title=\"" + words(2) + "\">" + words(3) + "</a></li>\n";
    page += "</ul>\n<p>";
    for (int picture = 0; picture < 2; ++picture)
      page += "<img src=\"" + image() + "\" width=120 height=90 alt=\"" + words(2) + "\"> ";
    page += words(30) + "<a href=" + href() + ">" + words(2) + "</a></p>\n";
    if (pick(3) == 0)
      page += "<script type=\"text/javascript\">\nvar counter = " + number(1000) +
              ";\nfunction show(id) { if (counter < 10 && id) document.getElementById(id)"
              ".style.display = 'block'; }\n</script>\n";
  }

  std::string page() {
    std::string page =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html lang=en>\n<head>\n"
        "<title>" +
        words(5) +
        "</title>\n<meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=utf-8\">\n<link rel=\"stylesheet\" href=\"/css/site.css\">\n"
        "<style type=\"text/css\">\nbody { background: url(/images/back.png) repeat-x; }\n"
        "h2 { color: #335; }\n</style>\n<script src=\"/js/site.js\"></script>\n</head>\n"
        "<body onload=\"init()\">\n";
    while (page.size() < pageSize - 4096)
      bodyChunk(page);
    return page + "</body>\n</html>\n";
  }

  std::string sheet() {
    std::string sheet;
    while (sheet.size() < pageSize) {
      sheet += ".box" + number(1000) + " > li a:hover, #nav" + number(100) + " {\n  color: #" +
               number(1000) + ";\n  margin: 0 " + number(20) + "px;\n  background: #fff url(" +
               (pick(2) ? "'" + image() + "'" : image()) +
               ") no-repeat;\n  font: 12px/1.5 Verdana, sans-serif;\n}\n";
      if (pick(4) == 0)
        sheet += "/* " + words(10) + "*/\n@font-face { src: url(\"../fonts/f" + number(9) +
                 ".woff\") format(\"woff\"); }\n";
    }
    return sheet;
  }

private:
  size_t pick(size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random_); }
  std::string number(size_t count) { return std::to_string(pick(count)); }

  std::mt19937 random_{2024};
};

// Files of the given kind until their size reaches the total.
std::vector<std::string> makeFiles(size_t total, std::string (TSiteWriter::*make)()) {
  TSiteWriter writer;
  std::vector<std::string> files;
  for (size_t size = 0; size < total; size += files.back().size())
    files.push_back((writer.*make)());
  return files;
}

struct TRun {
  double seconds = 0;
  size_t bytes = 0;
  int64_t links = 0;
};

// Each file goes through a provider of its own, in blocks, as a fetch passes it. The time
// is the process's processor time: the machine is shared, and the wall clock there measures
// the neighbours as much as the parsers.
TRun parseFiles(const std::vector<std::string> &files, const std::string &contentTag,
                const std::string &fileURL, TCopyType copyType) {
  ComPtr<IJobRequest> job = CreateJobRequest();
  TJobRequestDef def;
  def.CopyType = copyType;
  def.PageURL = "http://www.example.com/";
  def.ProjectDir = "/bench/site";
  OleCheck(job->Change(def));
  auto sink = platform::MakeCom<TCountingLinkSink>();
  TRun run;
  std::string block, output;
  const std::clock_t start = std::clock();
  for (const std::string &file : files) {
    ComPtr<IParseProvider> provider = CreateParseProvider(
        contentTag, CreateURLParser(fileURL, job.get()).get(), job.get(), 1, sink.get());
    for (size_t at = 0; at < file.size(); at += blockSize) {
      block.assign(file, at, blockSize);
      OleCheck(provider->ProcessBlock(block, &output));
      run.bytes += output.size();
    }
    OleCheck(provider->Finish(&output));
    run.bytes += output.size();
  }
  run.seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
  run.links = sink->links;
  return run;
}

size_t totalSize(const std::vector<std::string> &files) {
  size_t size = 0;
  for (const std::string &file : files)
    size += file.size();
  return size;
}

double megabytesPerSecond(size_t bytes, double seconds) {
  return double(bytes) / megabyte / seconds;
}

} // namespace

int main() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("zs-parser-bench-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  setenv("ZELVOR_SUMBRA_USER_HIVE", (dir / "user.db").c_str(), 1);
  setenv("ZELVOR_SUMBRA_MACHINE_HIVE", (dir / "machine.db").c_str(), 1);
  StartModules();

  const std::vector<std::string> pages = makeFiles(20 * megabyte, &TSiteWriter::page);
  const std::vector<std::string> sheets = makeFiles(5 * megabyte, &TSiteWriter::sheet);
  const size_t pageBytes = totalSize(pages), sheetBytes = totalSize(sheets);
  const std::string pageURL = "http://www.example.com/section7/page12.html";
  const std::string sheetURL = "http://www.example.com/css/site.css";

  const TRun exact = parseFiles(pages, "html", pageURL, ctExact);
  const TRun browsable = parseFiles(pages, "html", pageURL, ctBrowsable);
  const TRun css = parseFiles(sheets, "css", sheetURL, ctBrowsable);
  StopModules();
  std::filesystem::remove_all(dir);

  if (exact.bytes != pageBytes || exact.links != browsable.links) {
    std::fprintf(stderr, "parser_bench: the exact copy differs from the pages\n");
    return 1;
  }
  std::printf("pages=%zu page_bytes=%zu sheet_bytes=%zu html_links=%lld css_links=%lld "
              "html_browsable_out_bytes=%zu\n",
              pages.size(), pageBytes, sheetBytes, (long long)browsable.links, (long long)css.links,
              browsable.bytes);
  std::printf("parser html_exact_mb_s=%.1f html_browsable_mb_s=%.1f css_browsable_mb_s=%.1f "
              "links_per_s=%.0f\n",
              megabytesPerSecond(pageBytes, exact.seconds),
              megabytesPerSecond(pageBytes, browsable.seconds),
              megabytesPerSecond(sheetBytes, css.seconds),
              double(browsable.links + css.links) / (browsable.seconds + css.seconds));
  return 0;
}
