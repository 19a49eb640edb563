// Sites on the default ports, as most of the web is: https on 443 and http on 80, written
// without a port. The program runs in a network namespace of its own, where it may listen
// on those ports.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "tests/retrieval/net_test_support.h"
#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

// Skips the calling test outside a private network namespace.
#define ZS_REQUIRE_PRIVATE_NETWORK()                                                               \
  if (const char *refused = std::getenv("ZS_PRIVATE_NETWORK_REFUSED"))                             \
  GTEST_SKIP() << "needs a network namespace of its own for ports 80 and 443: " << refused

// Runs a program to its end; false when it failed.
bool runProgram(const std::string &path, const std::vector<std::string> &arguments) {
  platform::ChildProcess child = platform::ChildProcess::Spawn(path, arguments);
  return child.WaitForExit(std::chrono::seconds(60)) && child.ExitStatus() == 0;
}

// A certificate authority of the test, and a server certificate it signed for 127.0.0.1
// only (not for "localhost").
struct TestCertificates {
  TestCertificates() {
    const std::string openssl = "/usr/bin/openssl";
    const std::vector<std::string> newKey = {"-newkey", "ec", "-pkeyopt",
                                             "ec_paramgen_curve:prime256v1", "-nodes"};
    auto with = [](std::vector<std::string> a, const std::vector<std::string> &b) {
      a.insert(a.end(), b.begin(), b.end());
      return a;
    };
    WriteFile(dir.File("san"), "subjectAltName=IP:127.0.0.1\n");
    Ready = runProgram(openssl, with({"req", "-x509", "-days", "2", "-subj", "/CN=Test CA",
                                      "-keyout", dir.File("ca.key"), "-out", Authority},
                                     newKey)) &&
            runProgram(openssl, with({"req", "-subj", "/CN=127.0.0.1", "-keyout", Key, "-out",
                                      dir.File("server.csr")},
                                     newKey)) &&
            runProgram(openssl, {"x509", "-req", "-days", "2", "-in", dir.File("server.csr"), "-CA",
                                 Authority, "-CAkey", dir.File("ca.key"), "-CAcreateserial",
                                 "-extfile", dir.File("san"), "-out", Certificate});
  }
  TempDir dir;
  const std::string Authority = dir.File("ca.crt"), Certificate = dir.File("server.crt"),
                    Key = dir.File("server.key");
  bool Ready = false;
};

class DefaultPorts : public FetchTest {
protected:
  void SetUp() override {
    FetchTest::SetUp();
    ZS_REQUIRE_PRIVATE_NETWORK();
    ZS_REQUIRE_NGINX();
    ASSERT_TRUE(certificates().Ready) << "openssl could not make the test's certificates";
    for (const auto &[name, bytes] : files) {
      fs::create_directories(fs::path(web.File(name)).parent_path());
      WriteFile(web.File(name), bytes);
    }
  }

  // Made once: the separated process reads the authority to trust when it starts.
  static TestCertificates &certificates() {
    static TestCertificates made;
    setenv("CURL_CA_BUNDLE", made.Authority.c_str(), 1);
    return made;
  }

  // Copies the site from Server as Host names it, into a folder of its own; the job's log.
  std::vector<std::string> copy(const NginxServer &server, const std::string &host) {
    ComPtr<IGetSiteJob> job =
        NewJob(ctBrowsable, server.URL("/index.html", host), server.URL("/", host));
    EXPECT_TRUE(RunToEnd(job.get()));
    std::vector<std::string> log = LogOf(job.get());
    for (const auto &[name, bytes] : files) {
      if (!log.empty()) break;
      const std::string copied = ReadFile(LocalFileOf(job.get(), server.URL("/" + name, host)));
      EXPECT_EQ(copied, name == "index.html" ? "<html><img src=\"images/a.png\">"
                                               "<a href=\"docs/page.html\">docs</a></html>"
                                             : bytes)
          << name;
    }
    OleCheck(job->Remove());
    fs::remove_all(project.File("copy"));
    return log;
  }

  const std::map<std::string, std::string> files = {
      {"index.html", "<html><img src=\"/images/a.png\"><a href=\"docs/page.html\">docs</a></html>"},
      {"images/a.png", "\x89PNG picture"},
      {"docs/page.html", "<html>a page</html>"}};
  TempDir web;
};

TEST_F(DefaultPorts, HttpsOnItsOwnPortIsCopiedWithCertificatesCheckedOrIgnored) {
  NginxServer server(web.Path(), "", {443, certificates().Certificate, certificates().Key});
  for (bool ignoreSSL : {true, false}) {
    TScopedParam ignore("IgnoreSSLInexactnesses", ignoreSSL);
    EXPECT_EQ(copy(server, "127.0.0.1"), std::vector<std::string>{}) << ignoreSSL;
    // The certificate names 127.0.0.1 only: with checks on, "localhost" is refused.
    std::vector<std::string> log = copy(server, "localhost");
    if (ignoreSSL) {
      EXPECT_EQ(log, std::vector<std::string>{});
    } else {
      // robots.txt is refused the same way first, which the log tells once.
      ASSERT_EQ(log.size(), 2u);
      EXPECT_TRUE(log[0].starts_with("Warning: robots.txt could not be read")) << log[0];
      EXPECT_NE(log[1].find("localhost"), std::string::npos) << log[1];
      EXPECT_NE(log[1].find("(" + server.URL("/index.html", "localhost") + ")"), std::string::npos)
          << log[1];
    }
  }
}

TEST_F(DefaultPorts, HttpOnItsOwnPortIsCopied) {
  NginxServer server(web.Path(), "", {80, "", ""});
  EXPECT_EQ(copy(server, "127.0.0.1"), std::vector<std::string>{});
}

} // namespace
} // namespace zs::testing
