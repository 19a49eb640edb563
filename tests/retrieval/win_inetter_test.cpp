// The separated network process on its own: the test program plays the program's part of
// the channel, frame by frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>

#include "platform/channel_frame.h"
#include "platform/child_process.h"
#include "platform/folders.h"
#include "platform/socket_channel.h"
#include "retrieval/wire_messages.h"
#include "tests/retrieval/net_test_support.h"

namespace zs::retrieval {
namespace {

using namespace std::chrono_literals;
using platform::ChildProcess;
using platform::Frame;
using testing::NginxServer;

const std::string ProgramPath = platform::ProgramFolder() + "ZelvorSumbraWinInetter";

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

// The separated process with the test holding the program's end of its channel.
class Peer {
public:
  Peer() {
    auto [own, peer] = platform::SocketChannel::CreatePair();
    process = ChildProcess::Spawn(ProgramPath, {"00000003"}, peer.Descriptor());
    channel = std::move(own);
  }

  void Send(uint32_t code, const std::string &payload) {
    std::string frame;
    platform::AppendFrame(frame, code, payload);
    channel.SendAll(frame);
  }

  // The next frame; nullopt when none came within the bound or the channel ended.
  std::optional<Frame> Next() {
    Frame frame;
    while (!reader.Next(frame)) {
      if (!platform::WaitForChannel(channel, true, nullptr, 30s).Readable) return std::nullopt;
      char piece[65536];
      long got = channel.ReadSome(piece, sizeof piece);
      if (got <= 0) return std::nullopt;
      reader.Append(piece, static_cast<size_t>(got));
    }
    return frame;
  }

  // The replies to one request up to its End or Error, Hello and other IDs passed over.
  std::vector<TReply> Answer(uint32_t id) {
    std::vector<TReply> replies;
    while (auto frame = Next()) {
      if (frame->Code == HelloMessage) continue;
      TReply reply = DecodeReply(frame->Code, frame->Payload);
      if (reply.ID != id) continue;
      replies.push_back(reply);
      if (reply.Code == pmEnd || reply.Code == pmError) break;
    }
    return replies;
  }

  // The body of a resource fetched with the current settings.
  std::string Body(uint32_t id, const std::string &url) {
    Send(hmRequest, EncodeRequest(id, url));
    std::string body;
    for (const TReply &reply : Answer(id))
      body += reply.Data;
    return body;
  }

  platform::SocketChannel channel;
  ChildProcess process;
  platform::FrameReader reader;
};

class WinInetter : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!std::filesystem::exists(testing::NginxPath)) return;
    root = new testing::TempDir;
    std::mt19937 random(7);
    std::string big(20u << 20, '\0');
    for (char &c : big)
      c = static_cast<char>(random());
    testing::WriteFile(root->File("big.bin"), big);
    testing::WriteFile(root->File("small.txt"), "small");
    server = new NginxServer(root->Path());
  }
  static void TearDownTestSuite() {
    delete server;
    delete root;
  }

  static inline testing::TempDir *root = nullptr;
  static inline NginxServer *server = nullptr;
};

TEST_F(WinInetter, AnnouncesItselfAndEndsWhenTheProgramsEndCloses) {
  Peer peer;
  auto hello = peer.Next();
  ASSERT_TRUE(hello);
  EXPECT_EQ(hello->Code, HelloMessage);
  EXPECT_TRUE(hello->Payload.empty());
  peer.channel.Close();
  ASSERT_TRUE(peer.process.WaitForExit(30s));
  EXPECT_EQ(peer.process.ExitStatus(), 0);
}

TEST_F(WinInetter, RefusesACommandLineThatNamesNoDescriptor) {
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{}, {"zz"}, {"123456789"}, {"3", "4"}}) {
    ChildProcess process = ChildProcess::Spawn(ProgramPath, arguments);
    ASSERT_TRUE(process.WaitForExit(30s));
    EXPECT_EQ(process.ExitStatus(), 2) << ::testing::PrintToString(arguments);
  }
}

TEST_F(WinInetter, StatusesAndFailuresAnswerWithTheProgramsCodes) {
  ZS_REQUIRE_NGINX();
  struct Case {
    std::string url;
    uint32_t firstCode; // Header or Error
    bool found;
    int32_t errorCode;
  };
  const Case cases[] = {
      {server->URL("/small.txt"), pmHeader, true, 0},
      {server->URL("/missing.txt"), pmHeader, false, 0},
      {server->URL("/gone"), pmHeader, false, 0},
      {server->URL("/secret"), pmError, false, tecCredentialsRefused},
      {server->URL("/broken"), pmError, false, tecServerError},
      {"http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/", pmError, false,
       tecServerNotFound},
      {"http://[::1/", pmError, false, tecBadURL},
      {"file:///etc/passwd", pmError, false, tecBadURL},
  };
  Peer peer;
  uint32_t id = 100;
  for (const Case &c : cases) {
    peer.Send(hmRequest, EncodeRequest(++id, c.url));
    std::vector<TReply> replies = peer.Answer(id);
    ASSERT_FALSE(replies.empty()) << c.url;
    EXPECT_EQ(replies.front().Code, c.firstCode) << c.url;
    if (c.firstCode == pmHeader) {
      EXPECT_EQ(replies.front().Found, c.found) << c.url;
      EXPECT_EQ(replies.back().Code, pmEnd) << c.url;
    } else {
      EXPECT_EQ(replies.front().ErrorCode, c.errorCode) << c.url;
      EXPECT_FALSE(replies.front().Message.empty()) << c.url;
    }
  }
}

TEST_F(WinInetter, AnAbortedTransferSendsNothingMore) {
  ZS_REQUIRE_NGINX();
  Peer peer;
  peer.Send(hmRequest, EncodeRequest(1, server->URL("/big.bin")));
  bool dataSeen = false;
  while (!dataSeen) {
    auto frame = peer.Next();
    ASSERT_TRUE(frame);
    dataSeen = frame->Code == pmData;
  }
  peer.Send(hmAbort, EncodeAbort(1));
  peer.Send(hmRequest, EncodeRequest(2, server->URL("/small.txt")));
  bool secondSeen = false;
  for (;;) {
    auto frame = peer.Next();
    ASSERT_TRUE(frame);
    TReply reply = DecodeReply(frame->Code, frame->Payload);
    if (reply.ID == 1) {
      // Only what was under way before the Abort arrived, and never an end.
      EXPECT_FALSE(secondSeen);
      EXPECT_EQ(reply.Code, pmData);
    } else {
      secondSeen = true;
      if (reply.Code == pmEnd) break;
    }
  }
}

TEST_F(WinInetter, UsesItsOwnUserAgentUntilTheSettingsSayOtherwise) {
  ZS_REQUIRE_NGINX();
  Peer peer;
  EXPECT_EQ(peer.Body(1, server->URL("/agent")), "Zelvor Sumbra!/ver 1.0");
  TTransferSettings settings;
  settings.UserAgent = "Tester/2.0";
  peer.Send(hmSettings, EncodeSettings(settings));
  EXPECT_EQ(peer.Body(2, server->URL("/agent")), "Tester/2.0");
}

TEST_F(WinInetter, ProxyModesChooseBetweenTheEnvironmentDirectAndTheGivenServer) {
  ZS_REQUIRE_NGINX();
  std::string proxy = "127.0.0.1:" + std::to_string(server->ProxyPort());
  std::optional<Peer> peer;
  {
    // The process reads its environment as it starts.
    ScopedEnv httpProxy("http_proxy", "http://" + proxy);
    ScopedEnv noProxy("no_proxy", "");
    ScopedEnv noProxyUpper("NO_PROXY", "");
    peer.emplace();
  }
  const std::string url = server->URL("/small.txt");
  EXPECT_EQ(peer->Body(1, url), "proxy []"); // mode 0 before any settings

  TTransferSettings settings;
  settings.ProxyUse = 1;
  peer->Send(hmSettings, EncodeSettings(settings));
  EXPECT_EQ(peer->Body(2, url), "small");

  settings = {"UA", 2, proxy, "u", "p", false};
  peer->Send(hmSettings, EncodeSettings(settings));
  EXPECT_EQ(peer->Body(3, url), "proxy [Basic dTpw]"); // "u:p"

  settings.ProxyUse = 0;
  peer->Send(hmSettings, EncodeSettings(settings));
  EXPECT_EQ(peer->Body(4, url), "proxy []");
}

} // namespace
} // namespace zs::retrieval
