// The transfer tool of the separated process, end to end: the tool, the connector, a real
// ZelvorSumbraWinInetter and nginx on 127.0.0.1.
#include "retrieval/win_inet_gft.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "retrieval/win_inet_connector.h"
#include "tests/retrieval/net_test_support.h"
#include "tests/retrieval/retrieval_test_support.h"

namespace zs::retrieval {
namespace {

using platform::OleCheck;
using testing::NginxServer;

constexpr size_t PerRequestBound = 4u << 20;
// The payload of the largest Data message the process sends: ID, length, 64 KB.
constexpr size_t LargestMessage = 8 + (64u << 10);
constexpr int64_t BigSize = 200ll << 20;

// The whole resource at url, read through a new tool.
std::string readAll(const std::string &url) {
  ComPtr<IGetFileTool> tool = CreateWinInetTool("http", url);
  std::string body, piece(100000, '\0');
  for (;;) {
    int32_t available = 0, got = 0;
    OleCheck(tool->GetAvailable(&available));
    if (available < 0) return body;
    OleCheck(tool->Read(piece.data(), static_cast<int32_t>(piece.size()), &got));
    body.append(piece, 0, static_cast<size_t>(got));
  }
}

// Sets an environment variable (empty: removes it) for the life of the object.
struct ScopedEnv {
  ScopedEnv(const char *name, const std::string &value) : name(name) {
    if (const char *old = std::getenv(name)) this->old = old;
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
  const char *name;
  std::optional<std::string> old;
};

class WinInetGFT : public ::testing::Test {
protected:
  void SetUp() override {
    ZS_REQUIRE_NGINX();
    testing::WriteFile(root.File("target.txt"), "you found the target");
    server.emplace(root.Path());
  }
  void TearDown() override { EXPECT_EQ(UnreadReplyBytes(), 0u); }

  // Starts the module again, so the next fetch starts a new process.
  static void restartModule() {
    FinalizeRetrievalModule();
    RegisterRetrievalModule();
  }

  testing::TempDir root;
  std::optional<NginxServer> server;
};

TEST_F(WinInetGFT, ALargeFileReadSlowlyKeepsUnreadRepliesWithinTheBound) {
  // Sparse: two hundred megabytes of zeros that take no room on the disk.
  std::ofstream(root.File("big.bin")).close();
  std::filesystem::resize_file(root.File("big.bin"), BigSize);
  ComPtr<IGetFileTool> tool = CreateWinInetTool("http", server->URL("/big.bin"));
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
          testing::PumpUntil([] { return UnreadReplyBytes() + LargestMessage > PerRequestBound; }));
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
  {
    // Set while no process runs: the new process is given it before its first request.
    FinalizeRetrievalModule();
    testing::TScopedParam agent("UserAgent", Variant("First/1.0"));
    RegisterRetrievalModule();
    EXPECT_EQ(readAll(server->URL("/agent")), "First/1.0");
    agent.Set(Variant("Second/2.0"));
    EXPECT_EQ(readAll(server->URL("/agent")), "Second/2.0");
  }
  // A new proxy applies to the next transfer; before any, the process follows its
  // environment as it starts.
  {
    ScopedEnv httpProxy("http_proxy", "http://127.0.0.1:" + std::to_string(server->ProxyPort()));
    ScopedEnv noProxy("no_proxy", ""), noProxyUpper("NO_PROXY", "");
    restartModule();
    EXPECT_EQ(readAll(server->URL("/target.txt")), "proxy []");
  }
  restartModule();
  TProxyData proxy{2, "http", "127.0.0.1:" + std::to_string(server->ProxyPort()), "u", "p"};
  WriteProxyData(proxy);
  EXPECT_EQ(readAll(server->URL("/target.txt")), "proxy [Basic dTpw]");
  WriteProxyData({1, "http", "", "", ""});
  EXPECT_EQ(readAll(server->URL("/target.txt")), "you found the target");
  WriteProxyData({});
}

TEST_F(WinInetGFT, AProgramThatCannotBeStartedGivesTheCannotConnectError) {
  restartModule();
  SetProcessPath(root.File("no-such-program"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      CreateWinInetTool("http", server->URL("/target.txt"));
      ADD_FAILURE() << "a tool without a process";
    } catch (const EWinInetConnector &e) {
      EXPECT_EQ(e.Message(), CannotConnectText);
    }
  }
  restartModule();
  EXPECT_EQ(readAll(server->URL("/target.txt")), "you found the target");
}

} // namespace
} // namespace zs::retrieval
