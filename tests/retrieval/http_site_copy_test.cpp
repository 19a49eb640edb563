// Whole jobs copying sites over HTTP: the real job, scheduler and get-file controller, the
// separated network process, and nginx or a raw server of the test on 127.0.0.1.
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "retrieval/win_inet_connector.h"
#include "tests/retrieval/net_test_support.h"
#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

// A link as the page writes it, with "&amp;" and %XX decoded as a file name on the disk has it.
std::string fileNameOf(std::string text) {
  for (size_t at = text.find("&amp;"); at != std::string::npos; at = text.find("&amp;", at + 1))
    text.replace(at, 5, "&");
  for (size_t at = text.find('%'); at != std::string::npos && at + 2 < text.size();
       at = text.find('%', at + 1))
    text.replace(at, 3, 1, static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16)));
  return text;
}

// The targets of href="...", src="...", action="..." and url(...) in a page or style sheet.
std::vector<std::string> linkTargets(const std::string &text) {
  std::vector<std::string> targets;
  for (auto [opening, closing] :
       {std::pair{"href=\"", '"'}, {"src=\"", '"'}, {"action=\"", '"'}, {"url(", ')'}}) {
    const std::string open = opening;
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
      size_t start = at + open.size();
      targets.push_back(text.substr(start, text.find(closing, start) - start));
    }
  }
  return targets;
}

// A whole answer of 200 with the text as its body, after the header lines given.
std::string okAnswer(const std::string &text, const std::string &headers = "") {
  return "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + std::to_string(text.size()) +
         "\r\n\r\n" + text;
}

// What a raw server answers to a path: canned bytes, then the end of the connection, or
// silence while the connection stays open, or bytes that never end.
struct RawAnswer {
  enum TAfter { Close, Hold, Endless };
  RawAnswer(std::string bytes, TAfter then = Close, int delayMs = 0)
      : Bytes(std::move(bytes)), Then(then), DelayMs(delayMs) {}
  RawAnswer(const char *bytes, TAfter then = Close) : RawAnswer(std::string(bytes), then) {}
  std::string Bytes;
  TAfter Then;
  int DelayMs; // before the bytes go
};

// An HTTP server of the test that answers each path with canned bytes, so that answers no
// sound server gives can be had; a path of First gets its answer there the first time it is
// asked for. Each client has a thread of its own.
class RawHttpServer {
public:
  explicit RawHttpServer(std::map<std::string, RawAnswer> Answers,
                         std::map<std::string, RawAnswer> First = {})
      : answers_(std::move(Answers)), first_(std::move(First)), thread_([this] { serve(); }) {}
  ~RawHttpServer() {
    stop_ = true;
    thread_.join();
  }
  std::string URL(const std::string &Path) const {
    return "http://127.0.0.1:" + std::to_string(listener_.Port()) + Path;
  }
  // The most connections that were open at once.
  int MostOpen() const { return mostOpen_; }
  // The requests, in order: the path asked for, the whole head, and when it came.
  struct TRequest {
    std::string Path, Head;
    std::chrono::steady_clock::time_point At;
  };
  std::vector<TRequest> Requests() {
    std::lock_guard guard(lock_);
    return requests_;
  }

private:
  static bool ready(int fd, short events, int milliseconds) {
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
  }

  void serve() {
    std::vector<std::thread> clients;
    while (!stop_) {
      if (!ready(listener_.Handle(), POLLIN, 10)) continue;
      int client = ::accept4(listener_.Handle(), nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) clients.emplace_back([this, client] { answer(client); });
    }
    for (std::thread &client : clients)
      client.join();
  }

  void answer(int client) {
    const int open = ++open_;
    for (int most = mostOpen_; open > most && !mostOpen_.compare_exchange_weak(most, open);) {
    }
    answerRequest(client);
    --open_;
  }

  void answerRequest(int client) {
    std::string request;
    char piece[4096];
    while (request.find("\r\n\r\n") == std::string::npos && ready(client, POLLIN, 5000)) {
      ssize_t got = ::recv(client, piece, sizeof piece, 0);
      if (got <= 0) break;
      request.append(piece, static_cast<size_t>(got));
    }
    // "GET /path HTTP/1.1": the path lies between the first two spaces.
    size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    {
      std::lock_guard guard(lock_);
      requests_.push_back({path, request, std::chrono::steady_clock::now()});
    }
    auto found = answers_.find(path);
    RawAnswer answer = found == answers_.end()
                           ? RawAnswer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                           : found->second;
    {
      std::lock_guard guard(lock_);
      if (auto first = first_.find(path); first != first_.end()) {
        answer = first->second;
        first_.erase(first);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(answer.DelayMs));
    bool open = answer.Bytes.empty() ||
                ::send(client, answer.Bytes.data(), answer.Bytes.size(), MSG_NOSIGNAL) > 0;
    const std::string endless(64 * 1024, 'z');
    while (open && !stop_ && answer.Then != RawAnswer::Close) {
      if (answer.Then == RawAnswer::Hold)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      else if (ready(client, POLLOUT, 10))
        open = ::send(client, endless.data(), endless.size(), MSG_NOSIGNAL) > 0;
    }
    ::shutdown(client, SHUT_WR);
    ::close(client);
  }

  const std::map<std::string, RawAnswer> answers_;
  std::mutex lock_; // guards first_ and requests_
  std::map<std::string, RawAnswer> first_;
  std::vector<TRequest> requests_;
  LocalSocket listener_{true};
  std::atomic<bool> stop_{false};
  std::atomic<int> open_{0}, mostOpen_{0};
  std::thread thread_; // last: starts once everything it uses exists
};

class HttpSiteCopy : public FetchTest {
protected:
  // Starts nginx on the folder web, whose "site" folder is the site; its "slow" folder
  // trickles out, so that a copy is still busy with it after the other files are done.
  void SetUp() override {
    FetchTest::SetUp();
    ZS_REQUIRE_NGINX();
    fs::create_directories(web.File("site/slow"));
    // Pages and sheets go compressed: every copy below must hold them decoded.
    nginx = std::make_unique<NginxServer>(web.Path(),
                                          "    location /site/slow/ { limit_rate 16k; }\n"
                                          "    gzip on; gzip_min_length 1; gzip_types text/css;\n");
  }

  // Writes the files of the site (names relative to the site folder).
  void writeSite(const std::map<std::string, std::string> &files) {
    for (const auto &[name, bytes] : files) {
      fs::create_directories(fs::path(web.File("site/" + name)).parent_path());
      WriteFile(web.File("site/" + name), bytes);
    }
  }

  // A site of three small pages beside three files of the slow folder, and a job copying it,
  // started.
  ComPtr<IGetSiteJob> runSlowSite() {
    files = {{"index.html", "<html><a href=\"a.html\">a</a> <a href=\"b.html\">b</a> "
                            "<a href=\"c.html\">c</a>"},
             {"a.html", "page a"},
             {"b.html", "page b"},
             {"c.html", "page c"}};
    for (const std::string &name : slowFiles) {
      std::string &bytes = files[name] = std::string(48 * 1024, '\0');
      for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(name[5] + i * 7);
      files["index.html"] += "<img src=\"" + name + "\">";
    }
    writeSite(files);
    ComPtr<IGetSiteJob> job = NewJob(ctExact, siteURL("index.html"), siteURL());
    OleCheck(job->Run());
    return job;
  }

  // Whether the job has fetched the pages and fetches `slow` files at once.
  bool pagesDoneAndInUse(IGetSiteJob *job, int slow) {
    std::map<std::string, TLinkState> states = LinkStates(job);
    return std::ranges::all_of(pages,
                               [&](auto &page) { return states[siteURL(page)] == lsCompleteOK; }) &&
           InUse(job) == slow;
  }

  // Every file of the site is fetched and copied as it is.
  void expectCopied(IGetSiteJob *job) {
    for (const auto &[name, bytes] : files) {
      EXPECT_EQ(LinkStates(job)[siteURL(name)], lsCompleteOK) << name;
      EXPECT_EQ(ReadFile(LocalFileOf(job, siteURL(name))), bytes) << name;
    }
  }

  std::string siteURL(const std::string &name = "") const { return nginx->URL("/site/" + name); }

  // The requests of the access log for a path of the site that were answered in full.
  int completeRequests(const std::string &name) const {
    return static_cast<int>(std::ranges::count(nginx->AccessLog(), "/site/" + name + " 200 OK"));
  }

  const std::vector<std::string> pages = {"index.html", "a.html", "b.html", "c.html"};
  const std::vector<std::string> slowFiles = {"slow/1.bin", "slow/2.bin", "slow/3.bin"};
  std::map<std::string, std::string> files; // name in the site folder: bytes
  TempDir web;
  std::unique_ptr<NginxServer> nginx;
};

// A site with a link of every kind a page can hold, and files outside what the job copies.
class HttpSiteCopyRichSite : public HttpSiteCopy {
protected:
  void SetUp() override {
    HttpSiteCopy::SetUp();
    if (IsSkipped()) return;
    std::string everyByte;
    for (int b = 0; b < 1024; ++b)
      everyByte += static_cast<char>(b);
    files = {
        {"index.html",
         "<html><head><link rel=\"stylesheet\" href=\"css/style.css\"></head><body>\n"
         "<img src=\"images/logo.png\"> <a href=\"docs/a/deep.html\">deep</a>\n"
         "<iframe src=\"frame.html\"></iframe>\n"
         "<form action=\"form.html\" method=\"get\"><input name=\"q\"></form>\n"
         "<a href=\"list.html?p=2\">page two of the list</a> <a href=\"docs/\">docs</a>\n"
         "<a href=\"" +
             nginx->URL("/outside.html") +
             "\">outside</a> <!-- <a href=\"hidden.html\">in a comment</a> -->\n"
             "<a href=\"mailto:ann@example.org\">mail</a> <a href=\"my%20page.html\">space</a>\n"
             "<a href=\"100%25.html\">percent</a> <a href=\"two words.html\">raw</a>"
             "</body></html>\n"},
        {"css/style.css", "body { background: url(../images/logo.png) }\n"},
        {"images/logo.png", everyByte},
        {"docs/a/deep.html", "<html><a href=\"../../index.html\">home</a>"
                             "<link rel=\"stylesheet\" href=\"../../css/style.css\"></html>"},
        {"docs/index.html", "<html><a href=\"a/deep.html\">deep</a></html>"},
        {"frame.html", "a frame"},
        {"form.html", "you searched"},
        {"list.html", "a list"},
        {"my page.html", "a space"},
        {"two words.html", "a space as written"},
        {"100%.html", "a hundred per cent"},
        {"hidden.html", "only a comment names this page"},
    };
    writeSite(files);
  }
};

TEST_F(HttpSiteCopyRichSite, ExactCopyHoldsEveryFileOfTheSiteByteForByteAndNothingElse) {
  ComPtr<IGetSiteJob> job = NewJob(ctExact, siteURL("index.html"), siteURL());
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  std::set<std::string> expectedFiles, copied;
  // Each file of the site but the one only a comment names, by the URL the pages link it as.
  const std::map<std::string, std::string> linkedAs = {{"docs/index.html", "docs/"},
                                                       {"list.html", "list.html?p=2"},
                                                       {"my page.html", "my%20page.html"},
                                                       {"100%.html", "100%25.html"}};
  for (const auto &[name, bytes] : files) {
    if (name == "hidden.html") continue;
    std::string url = siteURL(linkedAs.contains(name) ? linkedAs.at(name) : name);
    EXPECT_EQ(states[url], lsCompleteOK) << url;
    std::string local = LocalFileOf(job.get(), url);
    EXPECT_EQ(ReadFile(local), bytes) << url;
    expectedFiles.insert(fs::path(local).lexically_normal().string());
  }
  // Outside the site, a mailto link and a link in a comment are not links of the job.
  EXPECT_EQ(states.size(), files.size() - 1);
  std::string description, journal;
  OleCheck(GetProfiler()->get_JobDescriptionFileName(&description));
  OleCheck(GetProfiler()->get_QuickSaveFileName(&journal));
  for (const auto &entry : fs::recursive_directory_iterator(project.File("copy")))
    if (entry.is_regular_file() && entry.path().filename() != description &&
        entry.path().filename() != journal)
      copied.insert(entry.path().lexically_normal().string());
  EXPECT_EQ(copied, expectedFiles);
  for (const std::string &line : nginx->AccessLog())
    EXPECT_FALSE(line.starts_with("/outside.html") || line.starts_with("/site/hidden.html"))
        << line;
  EXPECT_EQ(LogOf(job.get()), std::vector<std::string>{});
}

TEST_F(HttpSiteCopyRichSite, BrowsableCopyLinksLeadToCopiedFilesAndOthersStayAsTheyWere) {
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable, siteURL("index.html"), siteURL());
  ASSERT_TRUE(RunToEnd(job.get()));

  std::set<std::string> untouched;
  int resolved = 0;
  for (const std::string url : {"index.html", "css/style.css", "docs/a/deep.html", "docs/"}) {
    std::string local = LocalFileOf(job.get(), siteURL(url));
    std::string text = ReadFile(local);
    ASSERT_FALSE(text.empty()) << url;
    for (const std::string &target : linkTargets(text)) {
      if (target.starts_with("http:") || target.starts_with("mailto:") || target == "hidden.html")
        untouched.insert(target);
      else
        EXPECT_TRUE(++resolved &&
                    fs::is_regular_file(fs::path(local).parent_path() / fileNameOf(target)))
            << url << " links " << target;
    }
  }
  EXPECT_EQ(resolved, 14);
  EXPECT_EQ(untouched, (std::set<std::string>{nginx->URL("/outside.html"), "hidden.html",
                                              "mailto:ann@example.org"}));
  // Binary files are never rewritten.
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("images/logo.png"))), files["images/logo.png"]);
}

TEST_F(HttpSiteCopy, RedirectedPagesLinkFromWhereTheyCameAndKeepTheNameTheyWereLinkedBy) {
  nginx = std::make_unique<NginxServer>(
      web.Path(), "    location = /site/redir { return 301 /site/moved/page.html; }\n"
                  "    location = /site/away { return 302 /elsewhere/page.html; }\n");
  files = {{"index.html", "<html><a href=\"redir\">r</a><a href=\"folder\">f</a>"
                          "<a href=\"away\">a</a></html>"},
           {"moved/page.html", "<html><img src=\"pic.png\"><a href=\"next.html\">n</a></html>"},
           {"moved/pic.png", "picture"},
           {"moved/next.html", "next"},
           {"folder/index.html", "<html><img src=\"inner.png\"></html>"},
           {"folder/inner.png", "inner"}};
  writeSite(files);
  fs::create_directories(web.File("elsewhere"));
  WriteFile(web.File("elsewhere/page.html"), "<html><img src=\"outside.png\"></html>");
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable, siteURL("index.html"), siteURL());
  ASSERT_TRUE(RunToEnd(job.get()));

  std::map<std::string, TLinkState> states = LinkStates(job.get());
  // Links are read against the place the page came from; outside the bound, not followed.
  for (const std::string name :
       {"redir", "folder", "away", "moved/pic.png", "moved/next.html", "folder/inner.png"})
    EXPECT_EQ(states[siteURL(name)], lsCompleteOK) << name;
  EXPECT_EQ(states.size(), 7u) << ::testing::PrintToString(states);
  // Each page keeps the name it was linked by, but a folder becomes that folder's index;
  // every link it writes opens a copied file, or the web where nothing was copied.
  const std::pair<std::string, std::string> pages[] = {
      {"redir", "<html><img src=\"moved/pic.png\"><a href=\"moved/next.html\">n</a></html>"},
      {"folder/", "<html><img src=\"inner.png\"></html>"},
      {"away", "<html><img src=\"" + nginx->URL("/elsewhere/outside.png") + "\"></html>"}};
  for (const auto &[name, copy] : pages) {
    const std::string local = LocalFileOf(job.get(), siteURL(name));
    EXPECT_EQ(ReadFile(local), copy) << name;
    if (name == "away") continue;
    for (const std::string &target : linkTargets(copy))
      EXPECT_TRUE(fs::is_regular_file(fs::path(local).parent_path() / target)) << target;
  }
  const std::vector<std::string> log = LogOf(job.get());
  const std::vector<std::string> expected = {
      "Warning: Redirected to " + siteURL("folder/") + " (" + siteURL("folder") + ")",
      "Warning: Redirected to " + nginx->URL("/elsewhere/page.html") + " (" + siteURL("away") + ")",
      "Warning: Redirected to " + siteURL("moved/page.html") + " (" + siteURL("redir") + ")"};
  EXPECT_EQ(std::set(log.begin(), log.end()), std::set(expected.begin(), expected.end()));
}

// A page at the depth limit is written before the job knows which of its links it copies;
// at the end, those it did not copy lead to the web, the others (failed ones too) stay local.
TEST_F(HttpSiteCopy, LinksBeyondTheDepthLimitLeadToTheWebOnceTheJobIsDone) {
  writeSite({{"index.html", "<html><a href=\"a.html\">a</a><a href=\"b.html\">b</a>"
                            "<a href=\"gone.html\">g</a></html>"},
             {"a.html", "<html><a href=\"c.html\">c</a><a href=\"b.html\">b</a>"
                        "<a href=\"index.html#top\">i</a><a href='c.html#x'>c</a>"
                        "<a href=\"gone.html\">g</a></html>"},
             {"b.html", "<html><a href=\"index.html\">i</a></html>"},
             {"c.html", "<html>deeper</html>"}});
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable, siteURL("index.html"), siteURL(), 1);
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(LinkStates(job.get())[siteURL("c.html")], lsPure);
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("a.html"))),
            "<html><a href=\"" + siteURL("c.html") +
                "\">c</a><a href=\"b.html\">b</a>"
                "<a href=\"index.html#top\">i</a><a href='" +
                siteURL("c.html") +
                "#x'>c</a>"
                "<a href=\"gone.html\">g</a></html>");
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("b.html"))),
            "<html><a href=\"index.html\">i</a></html>");
  const std::vector<std::string> log = LogOf(job.get());
  EXPECT_EQ(log.size(), 1u) << ::testing::PrintToString(log); // gone.html
}

// A refresh asks for each copied file only if it changed: nothing changed, no file is
// written; changed pages are replaced, a page they now link is copied, and a page gone from
// the site keeps its copy. The log and the counts say which was which.
TEST_F(HttpSiteCopy, ARefreshReplacesOnlyWhatChangedAndKeepsWhatIsGone) {
  writeSite({{"index.html", "<html><a href=\"a.html\">a</a><a href=\"b.html\">b</a>"
                            "<img src=\"i.png\"></html>"},
             {"a.html", "<html>first</html>"},
             {"b.html", "<html>to go</html>"},
             {"i.png", "image"}});
  ComPtr<IGetSiteJob> job = NewJob(ctBrowsable, siteURL("index.html"), siteURL());
  ASSERT_TRUE(RunToEnd(job.get()));
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const char *name : {"index.html", "a.html", "b.html", "i.png"})
    fs::last_write_time(LocalFileOf(job.get(), siteURL(name)), longAgo);
  const size_t before = nginx->AccessLog().size();
  auto refresh = [&] {
    bool waiting = false;
    OleCheck(job.As<IRefreshableJob>()->Refresh(&waiting));
    EXPECT_TRUE(waiting);
    EXPECT_TRUE(RunToEnd(job.get()));
    const std::vector<std::string> log = LogOf(job.get());
    return log.empty() ? std::string() : log.back();
  };

  EXPECT_EQ(refresh(), "Warning: Refreshed: 4 unchanged, 0 changed, 0 new, 0 gone");
  // Each run reads robots.txt anew (none here); every other request is conditional.
  const std::vector<std::string> requests = nginx->AccessLog();
  ASSERT_EQ(requests.size(), before + 5);
  for (size_t i = before; i < requests.size(); ++i)
    EXPECT_TRUE(requests[i].find(" 304 ") != std::string::npos ||
                requests[i].starts_with("/robots.txt 404"))
        << requests[i];
  for (const char *name : {"index.html", "a.html", "b.html", "i.png"})
    EXPECT_EQ(fs::last_write_time(LocalFileOf(job.get(), siteURL(name))), longAgo) << name;

  WriteFile(web.File("site/a.html"), "<html>second, with <a href=\"new.html\">a new page</a>");
  fs::last_write_time(web.File("site/a.html"),
                      fs::last_write_time(web.File("site/a.html")) + std::chrono::seconds(5));
  WriteFile(web.File("site/new.html"), "new");
  fs::remove(web.File("site/b.html"));
  EXPECT_EQ(refresh(), "Warning: Refreshed: 2 unchanged, 1 changed, 1 new, 1 gone");
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("a.html"))),
            "<html>second, with <a href=\"new.html\">a new page</a>");
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("new.html"))), "new");
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), siteURL("b.html"))), "<html>to go</html>");
  EXPECT_EQ(fs::last_write_time(LocalFileOf(job.get(), siteURL("i.png"))), longAgo);
}

TEST_F(HttpSiteCopy, FetchesKeepToTheLimitAndAPausedCopyRunAgainFetchesNoFinishedFileTwice) {
  TScopedParam limit("MaxGetProcessAllowed", int32_t{2});
  TScopedDisplays displays;
  ComPtr<IGetSiteJob> job = runSlowSite();
  // No more fetches run at once than allowed: the pages, then two slow files (they take
  // seconds) while the third waits.
  ASSERT_TRUE(PumpUntil([&] {
    EXPECT_LE(InUse(job.get()), 2);
    return pagesDoneAndInUse(job.get(), 2);
  })) << ::testing::PrintToString(LinkStates(job.get()));
  PumpMainThread();
  EXPECT_EQ(InUse(job.get()), 2);
  // A higher limit frees a slot at once, without waiting for a fetch to end.
  limit.Set(int32_t{3});
  ASSERT_TRUE(PumpUntil([&] { return InUse(job.get()) == 3; }));

  // Pausing cancels the fetches: their links wait again, their displays end, their replies go.
  OleCheck(job->Pause());
  EXPECT_EQ(StateOf(job.get()), jsStopped);
  ASSERT_TRUE(PumpUntil([&] { return InUse(job.get()) == 0; }));
  SettleFetches();
  for (const std::string &name : slowFiles) {
    EXPECT_EQ(LinkStates(job.get())[siteURL(name)], lsPure) << name;
    EXPECT_EQ(TScopedDisplays::Last[siteURL(name)], "Finished bad") << name;
  }
  EXPECT_EQ(retrieval::UnreadReplyBytes(), 0u);
  EXPECT_EQ(StateOf(job.get()), jsStopped);

  ASSERT_TRUE(RunToEnd(job.get()));
  expectCopied(job.get());
  // nginx logs a request once it is done with it, which may come just after the client is.
  ASSERT_TRUE(PumpUntil([&] {
    return std::ranges::all_of(files, [&](auto &file) { return completeRequests(file.first); });
  }));
  for (const auto &[name, bytes] : files)
    EXPECT_EQ(completeRequests(name), 1) << name;
  EXPECT_EQ(LogOf(job.get()), std::vector<std::string>());
}

TEST_F(HttpSiteCopy, KilledNetworkProcessFailsTheRunningFetchesAndRetryFinishesTheCopy) {
  ComPtr<IGetSiteJob> job = runSlowSite();
  // Killed once all slow files are being fetched, so that all those fetches break.
  ASSERT_TRUE(PumpUntil([&] { return pagesDoneAndInUse(job.get(), 3); }))
      << ::testing::PrintToString(LinkStates(job.get()));
  pid_t process = retrieval::SeparatedProcessId();
  ASSERT_GT(process, 0);
  ASSERT_EQ(kill(process, SIGKILL), 0);

  // Nothing else waits, so the job ends with the broken fetches.
  ASSERT_TRUE(PumpUntil([&] { return StateOf(job.get()) == jsFinished; }));
  std::vector<std::string> log = LogOf(job.get());
  EXPECT_EQ(log.size(), 3u);
  for (const std::string &name : slowFiles) {
    EXPECT_EQ(LinkStates(job.get())[siteURL(name)], lsCompleteBad) << name;
    EXPECT_TRUE(std::ranges::any_of(log, [&](const std::string &line) {
      return line.ends_with(std::string(retrieval::CannotConnectText) + " (" + siteURL(name) + ")");
    })) << name;
  }

  bool waiting = false;
  OleCheck(job->Retry(&waiting));
  EXPECT_TRUE(waiting);
  EXPECT_EQ(StateOf(job.get()), jsStopped);
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_NE(retrieval::SeparatedProcessId(), process);
  expectCopied(job.get());
}

// A job whose links are on several hosts fetches no more at once from one host than
// MaxFetchesPerHost, however many the global limit allows.
TEST_F(HttpSiteCopy, FetchesOfAJobOnSeveralHostsKeepToThePerHostLimit) {
  TScopedParam limit("MaxFetchesPerHost", int32_t{2});
  const std::string one = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx";
  std::map<std::string, RawAnswer> quick, slow;
  for (int i = 0; i < 8; ++i)
    quick.emplace("/q" + std::to_string(i), RawAnswer(one, RawAnswer::Close, 100));
  for (int i = 0; i < 4; ++i)
    slow.emplace("/s" + std::to_string(i), RawAnswer(one, RawAnswer::Close, 400));
  RawHttpServer quickHost(quick), slowHost(slow);
  std::string index = "<html>";
  for (const auto &[path, answer] : quick)
    index += "<img src=\"" + quickHost.URL(path) + "\">";
  for (const auto &[path, answer] : slow)
    index += "<img src=\"" + slowHost.URL(path) + "\">";
  RawHttpServer start({{"/index.html", "HTTP/1.1 200 OK\r\nContent-Length: " +
                                           std::to_string(index.size()) + "\r\n\r\n" + index}});
  ComPtr<IGetSiteJob> job =
      NewJob(ctExact, start.URL("/index.html"), start.URL("/"), -1, /*away=*/true);
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(LogOf(job.get()), std::vector<std::string>{});
  EXPECT_EQ(quickHost.MostOpen(), 2);
  EXPECT_EQ(slowHost.MostOpen(), 2);
}

// "Too many requests" and "unavailable" with Retry-After make the link wait and try again,
// the wait kept between a second and a limit, while the other links go on.
// Validators no refresh can use are not kept, and "not modified" to a request for the whole
// file fails its link; a refresh then asks for those files whole.
TEST_F(HttpSiteCopy, ValidatorsThatCannotServeARefreshAreToldOfAndTheFilesKept) {
  const std::string huge(2000, 'e');
  RawHttpServer server(
      {{"/index.html", okAnswer("<html><a href=huge.html>h</a><a href=nm.html>n</a>", "ETag:\r\n")},
       {"/huge.html", okAnswer("huge", "ETag: \"" + huge + "\"\r\n")},
       {"/nm.html", "HTTP/1.1 304 Not Modified\r\n\r\n"}});
  ComPtr<IGetSiteJob> job = NewJob(ctExact, server.URL("/index.html"), server.URL("/"));
  ASSERT_TRUE(RunToEnd(job.get()));
  const std::vector<std::string> copied = {
      "EInternet: The server answered \"not modified\" to a request for the whole file (" +
          server.URL("/nm.html") + ")",
      "Warning: The ETag of 2002 bytes is too long to keep; the next refresh asks for the whole "
      "file (" +
          server.URL("/huge.html") + ")"};
  std::vector<std::string> log = LogOf(job.get());
  std::ranges::sort(log); // the two fetches run side by side
  EXPECT_EQ(log, copied);
  EXPECT_EQ(LinkStates(job.get())[server.URL("/nm.html")], lsCompleteBad);

  bool waiting = false;
  OleCheck(job.As<IRefreshableJob>()->Refresh(&waiting));
  ASSERT_TRUE(RunToEnd(job.get()));
  for (const RawHttpServer::TRequest &request : server.Requests())
    EXPECT_EQ(request.Head.find("If-"), std::string::npos) << request.Head;
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), server.URL("/huge.html"))), "huge");
  EXPECT_EQ(LogOf(job.get()).back(), "Warning: Refreshed: 0 unchanged, 2 changed, 0 new, 0 gone");
}

TEST_F(HttpSiteCopy, AServerThatAsksToWaitIsAskedAgainAfterTheWaitWithinReason) {
  RawHttpServer server(
      {{"/index.html", okAnswer("<html><a href=busy.html>b</a><a href=later.html>l</a>"
                                "<a href=other.html>o</a><a href=dated.html>d</a>")},
       {"/busy.html", okAnswer("busy no more")},
       {"/dated.html", okAnswer("dated")},
       {"/later.html", "HTTP/1.1 503 Service Unavailable\r\nRetry-After: 31536000\r\n"
                       "Content-Length: 0\r\n\r\n"},
       {"/other.html", okAnswer("other")}},
      {{"/busy.html", "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\n"
                      "Content-Length: 0\r\n\r\n"},
       {"/dated.html", "HTTP/1.1 503 Service Unavailable\r\n"
                       "Retry-After: Wed, 21 Oct 2015 07:28:00 GMT\r\nContent-Length: 0\r\n\r\n"}});
  ComPtr<IGetSiteJob> job = NewJob(ctExact, server.URL("/index.html"), server.URL("/"));
  OleCheck(job->Run());
  const std::string capped = "Warning: The server asks to wait 31536000 s; waiting 120 s before "
                             "asking again (" +
                             server.URL("/later.html") + ")";
  ASSERT_TRUE(PumpUntil([&] {
    std::map<std::string, TLinkState> states = LinkStates(job.get());
    return states[server.URL("/busy.html")] == lsCompleteOK &&
           states[server.URL("/other.html")] == lsCompleteOK &&
           states[server.URL("/dated.html")] == lsCompleteOK &&
           std::ranges::count(LogOf(job.get()), capped) == 1;
  })) << ::testing::PrintToString(LogOf(job.get()));
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), server.URL("/busy.html"))), "busy no more");
  EXPECT_EQ(std::ranges::count(LogOf(job.get()), "Warning: The server asks to wait 1 s before "
                                                 "asking again (" +
                                                     server.URL("/busy.html") + ")"),
            1);
  EXPECT_EQ(
      std::ranges::count(LogOf(job.get()), "Warning: The server asks to wait 0 s; waiting 1 s "
                                           "before asking again (" +
                                               server.URL("/dated.html") + ")"),
      1);
  // Stopping the job ends the wait at once.
  OleCheck(job->Pause());
  ASSERT_TRUE(PumpUntil([&] { return InUse(job.get()) == 0; }));
  EXPECT_EQ(LinkStates(job.get())[server.URL("/later.html")], lsPure);
}

// robots.txt keeps the copy out of what it disallows until it is told to pay no heed, and
// its Crawl-delay spaces the fetches.
TEST_F(HttpSiteCopy, RobotsTxtKeepsTheCopyOutOfWhatItDisallowsAndSpacesItsFetches) {
  RawHttpServer server({{"/robots.txt", okAnswer("User-agent: *\nDisallow: /private\n"
                                                 "Crawl-delay: 0.25\n")},
                        {"/index.html", okAnswer("<html><a href=a.html>a</a><a href=b.html>b</a>"
                                                 "<a href=private.html>p</a>")},
                        {"/a.html", okAnswer("a")},
                        {"/b.html", okAnswer("b")},
                        {"/private.html", okAnswer("mine")}});
  ComPtr<IGetSiteJob> job = NewJob(ctExact, server.URL("/index.html"), server.URL("/"));
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(LinkStates(job.get())[server.URL("/private.html")], lsCompleteBad);
  EXPECT_EQ(LogOf(job.get()),
            (std::vector<std::string>{
                "Warning: " + server.URL("/robots.txt") + " asks for 0.25 s between fetches",
                "EInternet: Disallowed by robots.txt (" + server.URL("/private.html") + ")"}));
  const std::vector<RawHttpServer::TRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].Path, "/robots.txt");
  for (size_t i = 2; i < requests.size(); ++i)
    EXPECT_GE(requests[i].At - requests[i - 1].At, std::chrono::milliseconds(200))
        << requests[i].Path;

  TScopedParam obey("ObeyRobotsTxt", false);
  bool waiting = false;
  OleCheck(job->Retry(&waiting));
  ASSERT_TRUE(RunToEnd(job.get()));
  EXPECT_EQ(ReadFile(LocalFileOf(job.get(), server.URL("/private.html"))), "mine");
}

TEST_F(HttpSiteCopy, BadAnswersFailTheirLinkWithAClearMessageWhileTheRestIsCopied) {
  struct Case {
    std::string Path;
    RawAnswer Answer;
    std::string Message;    // the job's log line for a link that fails
    std::string Copy = "";  // what the copy holds for a link that is fetched
    std::string Found = ""; // a link that the copy names, which must have been followed
  };
  const std::string empty = "Content-Length: 0\r\n\r\n", ok = "HTTP/1.1 200 OK\r\n";
  const std::string internal = "Server internal error", slow = "Operation too slow";
  auto body = [](const std::string &name) {
    return "<html><img src=\"from-" + name + ".gif\"></html>";
  };
  auto page = [&](const std::string &name) {
    return "Content-Length: " + std::to_string(body(name).size()) + "\r\n\r\n" + body(name);
  };
  auto chunked = [&](const std::string &name) {
    const std::string text = body(name);
    const size_t half = text.size() / 2;
    char head[32];
    std::snprintf(head, sizeof head, "%zx\r\n", half);
    std::string out = head + text.substr(0, half) + "\r\n";
    std::snprintf(head, sizeof head, "%zx\r\n", text.size() - half);
    return out + head + text.substr(half) + "\r\n0\r\n\r\n";
  };
  const std::vector<Case> cases = {
      {"/missing.html", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
       "File or Resource not found"},
      {"/secret.html", "HTTP/1.1 401 Unauthorized\r\n" + empty,
       "User name and password not accepted by the server"},
      {"/busy.html", "HTTP/1.1 503 Unavailable\r\n" + empty, internal},
      {"/moved.html", "HTTP/1.1 302 Found\r\nLocation: /good.html\r\n" + empty, "", "fine"},
      // Pages are known as pages however the server writes their type or sends them.
      {"/typed", ok + "Content-Type: Text/HTML; Charset=\"utf-8\"\r\n" + page("typed"), "",
       body("typed"), "/from-typed.gif"},
      {"/chunked.html",
       ok + "Content-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked("chunked"),
       "", body("chunked"), "/from-chunked.gif"},
      {"/no-content", "HTTP/1.1 204 No Content\r\n\r\n", "", ""},
      {"/cut.bin", ok + "Content-Length: 1000\r\n\r\n" + std::string(100, 'x'), internal},
      {"/too-long.bin", ok + "Content-Length: 99999999999\r\n\r\n" + std::string(100, 'y'),
       internal},
      {"/empty.html", "", internal},
      {"/broken-chunks.html", ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz\r\n",
       internal},
      // A length shorter than the body cannot be told from a true one: the copy holds what
      // the length announced and nothing of the rest.
      {"/short.txt", ok + "Content-Length: 5\r\n\r\nHello, world", "", "Hello"},
      // A server that stops sending, or never answers, or sends without end.
      {"/stalled.bin", {ok + "Content-Length: 1000\r\n\r\nabc", RawAnswer::Hold}, slow},
      {"/silent.html", {"", RawAnswer::Hold}, slow},
      {"/endless.bin",
       {ok + "\r\n", RawAnswer::Endless},
       "The file is larger than the limit of 1 MB (MaxFileSizeMB)"},
  };
  // Limits small enough to be reached at once.
  TScopedParam idle("IdleTimeOut", int32_t{1}), size("MaxFileSizeMB", int32_t{1});
  std::map<std::string, RawAnswer> answers;
  std::string index = "<html>";
  for (const Case &c : cases) {
    answers.insert_or_assign(c.Path, c.Answer);
    index += "<img src=\"" + c.Path.substr(1) + "\">";
    if (!c.Found.empty()) answers.insert_or_assign(c.Found, ok + "Content-Length: 1\r\n\r\n.");
  }
  auto html = [&](const std::string &body) {
    return ok + "Content-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  };
  answers.insert_or_assign("/index.html", html(index + "</html>"));
  answers.insert_or_assign("/good.html", html("fine"));
  RawHttpServer server(answers);

  ComPtr<IGetSiteJob> job = NewJob(ctExact, server.URL("/index.html"), server.URL("/"));
  ASSERT_TRUE(RunToEnd(job.get()));
  std::map<std::string, TLinkState> states = LinkStates(job.get());
  std::vector<std::string> log = LogOf(job.get());
  size_t messages = 0;
  for (const Case &c : cases) {
    std::string url = server.URL(c.Path);
    EXPECT_EQ(states[url], c.Message.empty() ? lsCompleteOK : lsCompleteBad) << c.Path;
    if (c.Message.empty()) {
      EXPECT_EQ(ReadFile(LocalFileOf(job.get(), url)), c.Copy) << c.Path;
      if (!c.Found.empty()) {
        EXPECT_EQ(states[server.URL(c.Found)], lsCompleteOK) << c.Path;
      }
      continue;
    }
    ++messages;
    EXPECT_TRUE(std::ranges::any_of(log, [&](const std::string &line) {
      return line.starts_with("Workflow: " + c.Message) && line.ends_with(" (" + url + ")");
    })) << c.Path;
  }
  // The redirect is told of, once.
  EXPECT_EQ(std::ranges::count(log, "Warning: Redirected to " + server.URL("/good.html") + " (" +
                                        server.URL("/moved.html") + ")"),
            1);
  EXPECT_EQ(log.size(), messages + 1) << ::testing::PrintToString(log);
}

} // namespace
} // namespace zs::testing
