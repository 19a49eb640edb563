// The transfer tool of the separated process, end to end: the tool, the connector, a real
// ZelvorSumbraWinInetter and nginx on 127.0.0.1.
#include "retrieval/win_inet_gft.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <random>

#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "retrieval/win_inet_connector.h"
#include "tests/retrieval/net_test_support.h"

namespace zs::retrieval {
namespace {

using namespace std::chrono_literals;
using platform::Failed;
using platform::OleCheck;
using testing::NginxServer;

constexpr size_t PerRequestBound = 4u << 20;
// The payload of the largest Data message the process sends: ID, length, 64 KB.
constexpr size_t LargestMessage = 8 + (64u << 10);
constexpr int64_t BigSize = 200ll << 20;

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char &c : bytes)
    c = static_cast<char>(random());
  return bytes;
}

// The whole resource, read in pieces of at most Count bytes.
std::string readAll(IGetFileTool *tool, int32_t count = 100000) {
  std::string body;
  std::string piece(static_cast<size_t>(count), '\0');
  for (;;) {
    int32_t available = 0;
    OleCheck(tool->GetAvailable(&available));
    if (available < 0) return body;
    int32_t got = 0;
    OleCheck(tool->Read(piece.data(), count, &got));
    body.append(piece, 0, static_cast<size_t>(got));
  }
}

std::pair<int32_t, std::string> lastError(IGetFileTool *tool) {
  std::string message;
  int32_t code = ComPtr<IGetFileTool>(tool).As<IGetFileToolError>()->GetLastError(&message);
  return {code, message};
}

ComPtr<IGetFileTool> newTool(const std::string &url) { return CreateWinInetTool("http", url); }

// Sets an environment variable (empty: removes it) for the life of the object.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::string &value) : name_(name) {
    if (const char *old = std::getenv(name)) old_ = old;
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
  const char *name_;
  std::optional<std::string> old_;
};

class WinInetGFT : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!std::filesystem::exists(testing::NginxPath)) return;
    root = new testing::TempDir;
    small = randomBytes(300000, 1);
    testing::WriteFile(root->File("small.bin"), small);
    testing::WriteFile(root->File("target.txt"), "you found the target");
    // Sparse: two hundred megabytes of zeros that take no room on the disk.
    std::ofstream(root->File("big.bin")).close();
    std::filesystem::resize_file(root->File("big.bin"), BigSize);
    server = new NginxServer(root->Path());
  }
  static void TearDownTestSuite() {
    delete server;
    delete root;
  }
  void SetUp() override { ZS_REQUIRE_NGINX(); }
  void TearDown() override { EXPECT_EQ(UnreadReplyBytes(), 0u); }

  // Starts the module again, so the next fetch starts a new process.
  static void restartModule() {
    FinalizeRetrievalModule();
    RegisterRetrievalModule();
  }

  static inline testing::TempDir *root = nullptr;
  static inline NginxServer *server = nullptr;
  static inline std::string small;
};

TEST(CreateWinInetTool, ServesTheFourNetworkSchemesOnly) {
  for (const char *scheme : {"mailto", "file", "HTTP", "Https", "news", ""})
    EXPECT_FALSE(CreateWinInetTool(scheme, "mailto:ann@example.org")) << scheme;
  std::string nowhere = "://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/";
  for (const char *scheme : {"http", "https", "ftp", "gopher"})
    EXPECT_TRUE(CreateWinInetTool(scheme, scheme + nowhere)) << scheme;
}

TEST_F(WinInetGFT, AFileIsCopiedByteForByteAndARedirectFollowed) {
  ComPtr<IGetFileTool> tool = newTool(server->URL("/small.bin"));
  bool found = false;
  OleCheck(tool->Open(&found));
  EXPECT_TRUE(found);
  int32_t size = 0;
  OleCheck(tool->GetSize(&size));
  EXPECT_EQ(size, 300000);
  std::string type;
  OleCheck(tool->GetContentType(&type));
  EXPECT_EQ(type, "application/octet-stream");
  // Pieces smaller than a message: each read goes on where the one before stopped.
  EXPECT_EQ(readAll(tool.get(), 1000), small);
  int32_t got = -7;
  char byte;
  OleCheck(tool->Read(&byte, 1, &got));
  EXPECT_EQ(got, 0); // at the end nothing more is read
  // A redirect is followed.
  EXPECT_EQ(readAll(newTool(server->URL("/moved")).get()), "you found the target");
}

TEST_F(WinInetGFT, StatusesAndFailuresGiveTheToolErrorCodes) {
  int port = testing::ClosedPort();
  struct {
    std::string URL;
    bool Found;        // when Open succeeds
    int32_t ErrorCode; // when Open fails
  } cases[] = {
      {server->URL("/target.txt"), true, 0},
      {server->URL("/missing.txt"), false, 0},
      {server->URL("/gone"), false, 0},
      {server->URL("/secret"), false, tecCredentialsRefused},
      {server->URL("/broken"), false, tecServerError},
      {"http://127.0.0.1:" + std::to_string(port) + "/a", false, tecServerNotFound},
      {"http://[::1/", false, tecBadURL},
  };
  for (const auto &c : cases) {
    ComPtr<IGetFileTool> tool = newTool(c.URL);
    bool found = !c.Found;
    HRESULT result = tool->Open(&found);
    if (c.ErrorCode == 0) {
      OleCheck(result);
      EXPECT_EQ(found, c.Found) << c.URL;
      continue;
    }
    EXPECT_TRUE(Failed(result)) << c.URL;
    auto [code, message] = lastError(tool.get());
    EXPECT_EQ(code, c.ErrorCode) << c.URL;
    EXPECT_FALSE(message.empty()) << c.URL;
    // The failure stays: a later call fails the same way instead of waiting for good.
    int32_t size = 0;
    EXPECT_TRUE(Failed(tool->GetSize(&size))) << c.URL;
    EXPECT_EQ(lastError(tool.get()).first, c.ErrorCode) << c.URL;
  }
  // curl's text names the server that is not there.
  ComPtr<IGetFileTool> tool = newTool(cases[5].URL);
  bool found = false;
  EXPECT_TRUE(Failed(tool->Open(&found)));
  EXPECT_NE(lastError(tool.get()).second.find(std::to_string(port)), std::string::npos);
}

TEST_F(WinInetGFT, AbortOrDroppingATransferFreesItsReplies) {
  ComPtr<IGetFileTool> tool = newTool(server->URL("/big.bin"));
  char piece[1000];
  int32_t got = 0;
  OleCheck(tool->Read(piece, sizeof piece, &got));
  ASSERT_TRUE(testing::WaitUntil([] { return UnreadReplyBytes() > 0; }));
  OleCheck(tool->Abort());
  EXPECT_EQ(UnreadReplyBytes(), 0u);
  // What the tool held already may still be read; then the reads fail.
  HRESULT result = platform::S_OK;
  for (int read = 0; read < 100 && !Failed(result); ++read)
    result = tool->Read(piece, sizeof piece, &got);
  EXPECT_TRUE(Failed(result));
  auto [code, message] = lastError(tool.get());
  EXPECT_EQ(code, tecUntranslated);
  EXPECT_EQ(message, "Transfer aborted");
  // A tool dropped unread gives back its room too, and the channel goes on serving.
  {
    ComPtr<IGetFileTool> dropped = newTool(server->URL("/big.bin"));
    ASSERT_TRUE(testing::WaitUntil([] { return UnreadReplyBytes() > 0; }));
  }
  EXPECT_EQ(UnreadReplyBytes(), 0u);
  EXPECT_EQ(readAll(newTool(server->URL("/small.bin")).get()), small);
}

TEST_F(WinInetGFT, FetchesWaitingWhenTheProcessDiesFailAtOnceAndTheNextStartsAFreshOne) {
  testing::LocalSocket silent(true); // takes connections and never answers
  std::string url = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/";
  std::vector<ComPtr<IGetFileTool>> tools;
  for (int i = 0; i < 3; ++i)
    tools.push_back(newTool(url + std::to_string(i)));
  pid_t first = SeparatedProcessId();
  ASSERT_GT(first, 0);

  std::vector<std::future<std::pair<int32_t, std::string>>> outcomes;
  for (auto &tool : tools)
    outcomes.push_back(std::async(std::launch::async, [&tool] {
      bool found = false;
      HRESULT result = tool->Open(&found);
      return Failed(result) ? lastError(tool.get()) : std::pair<int32_t, std::string>{};
    }));
  ASSERT_EQ(kill(first, SIGKILL), 0);
  for (auto &outcome : outcomes) {
    ASSERT_EQ(outcome.wait_for(30s), std::future_status::ready);
    auto [code, message] = outcome.get();
    EXPECT_EQ(code, tecUntranslated);
    EXPECT_EQ(message, CannotConnectText);
  }

  EXPECT_EQ(readAll(newTool(server->URL("/target.txt")).get()), "you found the target");
  EXPECT_NE(SeparatedProcessId(), first);
}

TEST_F(WinInetGFT, ALargeFileReadSlowlyKeepsUnreadRepliesWithinTheBound) {
  ComPtr<IGetFileTool> tool = newTool(server->URL("/big.bin"));
  int32_t size = 0;
  OleCheck(tool->GetSize(&size));
  EXPECT_EQ(size, BigSize);
  std::string piece(256u << 10, '\0');
  const std::string zeros(piece.size(), '\0');
  int64_t total = 0;
  int64_t nextPause = 0;
  for (;;) {
    if (total >= nextPause && total < BigSize) {
      // The reader stops for a while: the program fills up to the bound and no further.
      ASSERT_TRUE(
          testing::WaitUntil([] { return UnreadReplyBytes() + LargestMessage > PerRequestBound; }));
      nextPause += 40 << 20;
    }
    ASSERT_LE(UnreadReplyBytes(), PerRequestBound + LargestMessage);
    int32_t available = 0;
    OleCheck(tool->GetAvailable(&available));
    if (available < 0) break;
    int32_t got = 0;
    OleCheck(tool->Read(piece.data(), static_cast<int32_t>(piece.size()), &got));
    ASSERT_EQ(std::memcmp(piece.data(), zeros.data(), static_cast<size_t>(got)), 0);
    total += got;
  }
  EXPECT_EQ(total, BigSize);
}

TEST_F(WinInetGFT, TheUsersSettingsAndProxyReachTheProcessAtStartAndOnEveryChange) {
  ComPtr<IProfilerNames> profiler = GetProfiler();
  Variant original;
  OleCheck(profiler->get_Param("UserAgent", &original));
  // Set while no process runs: the new process is given it before its first request.
  FinalizeRetrievalModule();
  OleCheck(profiler->put_Param("UserAgent", Variant("First/1.0")));
  RegisterRetrievalModule();
  EXPECT_EQ(readAll(newTool(server->URL("/agent")).get()), "First/1.0");
  OleCheck(profiler->put_Param("UserAgent", Variant("Second/2.0")));
  EXPECT_EQ(readAll(newTool(server->URL("/agent")).get()), "Second/2.0");
  OleCheck(profiler->put_Param("UserAgent", original));
  // A new proxy applies to the next transfer; before any, the process follows its
  // environment as it starts.
  {
    ScopedEnv httpProxy("http_proxy", "http://127.0.0.1:" + std::to_string(server->ProxyPort()));
    ScopedEnv noProxy("no_proxy", ""), noProxyUpper("NO_PROXY", "");
    restartModule();
    EXPECT_EQ(readAll(newTool(server->URL("/target.txt")).get()), "proxy []");
  }
  restartModule();
  TProxyData proxy{2, "http", "127.0.0.1:" + std::to_string(server->ProxyPort()), "u", "p"};
  WriteProxyData(proxy);
  EXPECT_EQ(readAll(newTool(server->URL("/target.txt")).get()), "proxy [Basic dTpw]");
  WriteProxyData({1, "http", "", "", ""});
  EXPECT_EQ(readAll(newTool(server->URL("/target.txt")).get()), "you found the target");
  WriteProxyData({});
}

TEST_F(WinInetGFT, AProgramThatCannotBeStartedGivesTheCannotConnectError) {
  restartModule();
  SetProcessPath(root->File("no-such-program"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      newTool(server->URL("/target.txt"));
      ADD_FAILURE() << "a tool without a process";
    } catch (const EWinInetConnector &e) {
      EXPECT_EQ(e.Message(), CannotConnectText);
    }
  }
  restartModule();
  EXPECT_EQ(readAll(newTool(server->URL("/target.txt")).get()), "you found the target");
}

} // namespace
} // namespace zs::retrieval
