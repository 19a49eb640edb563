// The console program run as a user runs it: a process with its own job list folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_environment.h"

namespace zs {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct TRun {
  int ExitCode = -1;
  std::string Output; // standard output and error together
};

class Console : public ::testing::Test {
protected:
  // Each test has a job list and settings of its own.
  Console() {
    setenv("XDG_DATA_HOME", home_.File("data").c_str(), 1);
    setenv("ZELVOR_SUMBRA_USER_HIVE", home_.File("user.db").c_str(), 1);
  }

  // Starts zsumbra with the arguments; its output goes to a pipe read by Finish.
  pid_t start(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), ZS_PROGRAM_DIR "/zsumbra");
    std::vector<char *> argv;
    for (std::string &argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = fdopen(pipeEnds[0], "r");
    return pid;
  }

  // The first line of the running program's output, once it is written.
  std::string readLine() {
    char line[1024] = {};
    return std::fgets(line, sizeof line, output_) ? line : "";
  }

  TRun finish(pid_t pid) {
    TRun run;
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, output_)) > 0;)
      run.Output.append(buffer, read);
    std::fclose(output_);
    int status = 0;
    waitpid(pid, &status, 0);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  TRun run(std::vector<std::string> arguments) { return finish(start(std::move(arguments))); }

  // A site of Pages pages in a folder of the temporary folder, each linking to the next
  // and to a picture; page 0 also links to a page that does not exist when asked.
  std::string makeSite(int pages, bool brokenLink) {
    const std::string site = home_.File("site/");
    std::filesystem::create_directories(site + "pictures");
    for (int page = 0; page < pages; ++page) {
      std::string html = "<html><body><img src=\"pictures/p" + std::to_string(page) + ".png\">";
      if (page + 1 < pages)
        html += "<a href=\"page" + std::to_string(page + 1) + ".html\">next</a>";
      if (page == 0 && brokenLink) html += "<a href=\"missing.html\">gone</a>";
      WriteFile(site + "page" + std::to_string(page) + ".html", html + "</body></html>");
      WriteFile(site + "pictures/p" + std::to_string(page) + ".png", std::string(300, char(page)));
    }
    return site + "page0.html";
  }

  TempDir home_;
  FILE *output_ = nullptr;
};

TEST_F(Console, GetCopiesTheSiteTellsOfFailedLinksByItsExitCodeAndItsJobIsExported) {
  // The start-up work of the kernel runs too: the internet module of http is initialised.
  const std::string marker = home_.File("module-initialised");
  setenv("ZS_TEST_MODULE_INIT_MARKER", marker.c_str(), 1);
  ASSERT_EQ(run({"settings", "PluginInetModuleName:http", ZS_TEST_MODULES_DIR "/good_module.so"})
                .ExitCode,
            0);
  const std::string copy = home_.File("copy");
  TRun first = run({"get", makeSite(3, true), copy, "--title", "Mine"});
  EXPECT_TRUE(std::filesystem::exists(marker));
  EXPECT_EQ(first.ExitCode, 1) << first.Output;
  EXPECT_NE(first.Output.find("File or Resource not found"), std::string::npos) << first.Output;
  EXPECT_EQ(ReadFile(copy + "/pictures/p2.png"), std::string(300, char(2)));
  EXPECT_NE(ReadFile(copy + "/page0.html").find("href=\"page1.html\""), std::string::npos);

  // Exported job lists import into another list.
  const std::string exported = home_.File("jobs.jl");
  ASSERT_EQ(run({"export", exported}).ExitCode, 0);
  ASSERT_EQ(run({"remove", "1"}).ExitCode, 0);
  EXPECT_NE(run({"list"}).Output.find("empty"), std::string::npos);
  ASSERT_EQ(run({"import", exported}).ExitCode, 0);
  TRun list = run({"list"});
  EXPECT_EQ(list.ExitCode, 0);
  EXPECT_NE(list.Output.find("1. Mine"), std::string::npos) << list.Output;
  EXPECT_NE(list.Output.find(copy + " (finished)"), std::string::npos) << list.Output;
}

TEST_F(Console, WrongCommandsAndRefusedRequestsEndWithCodeTwoAndSettingsChange) {
  for (const std::vector<std::string> &arguments : {std::vector<std::string>{"fetch"},
                                                    {"get", "x"},
                                                    {"get", "a", "b", "--depth", "many"},
                                                    {"get", "a", "b", "--site", "s", "--any-site"},
                                                    {"list", "--bogus"}}) {
    TRun result = run(arguments);
    EXPECT_EQ(result.ExitCode, 2) << arguments[0];
    EXPECT_NE(result.Output.find("zsumbra: "), std::string::npos) << result.Output;
  }
  TRun refused = run({"get", "http://host/a.html", home_.File("copy"), "--depth", "-2"});
  EXPECT_EQ(refused.ExitCode, 2);
  EXPECT_NE(refused.Output.find("The depth is refused: This field is out of bounds"),
            std::string::npos)
      << refused.Output;
  EXPECT_EQ(run({"get", "--help"}).ExitCode, 0);
  EXPECT_NE(run({"settings"}).Output.find("MaxGetProcessAllowed = 10"), std::string::npos);
  EXPECT_EQ(run({"settings", "MaxGetProcessAllowed", "4"}).Output, "MaxGetProcessAllowed = 4\n");
  EXPECT_EQ(run({"settings", "MaxGetProcessAllowed", "four"}).ExitCode, 2);
}

TEST_F(Console, AnInterruptedGetGoesOnWhereItStoppedWhenRunAgain) {
  const std::string page = makeSite(400, false), copy = home_.File("copy");
  const pid_t pid = start({"get", page, copy, "--connections", "1"});
  readLine(); // the first progress line: the copy is under way
  kill(pid, SIGTERM);
  TRun interrupted = finish(pid);
  ASSERT_EQ(interrupted.ExitCode, 3) << interrupted.Output;
  EXPECT_FALSE(std::filesystem::exists(copy + "/page399.html"));

  TRun resumed = run({"get", page, copy});
  EXPECT_EQ(resumed.ExitCode, 0) << resumed.Output;
  EXPECT_NE(resumed.Output.find("Going on with the job"), std::string::npos);
  for (int page = 0; page < 400; ++page)
    EXPECT_TRUE(std::filesystem::exists(copy + "/page" + std::to_string(page) + ".html")) << page;
}

TEST_F(Console, ARefreshKilledAtAnyMomentLeavesEveryFileOldOrNewAndGoesOnWhenRunAgain) {
  namespace fs = std::filesystem;
  const std::string page = makeSite(150, false), copy = home_.File("copy");
  ASSERT_EQ(run({"get", page, copy}).ExitCode, 0);
  // Every file of the site changes, each to more than one write holds.
  std::map<std::string, std::pair<std::string, std::string>> versions; // name: old, new
  for (const fs::directory_entry &file : fs::recursive_directory_iterator(home_.File("site"))) {
    if (!file.is_regular_file()) continue;
    const std::string name = fs::relative(file.path(), home_.File("site")).string();
    const std::string old = ReadFile(file.path().string());
    versions[name] = {old, old + "<!--" + std::string(200 * 1024, 'n') + "-->"};
    WriteFile(file.path().string(), versions[name].second);
  }
  auto expectOldOrNew = [&](bool onlyNew) {
    for (const auto &[name, version] : versions) {
      const std::string held = ReadFile(copy + "/" + name);
      EXPECT_TRUE(held == version.second || (!onlyNew && held == version.first))
          << name << " holds " << held.size() << " bytes";
    }
  };

  std::mt19937 random(20261208);
  for (int round = 0; round < 4; ++round) {
    const pid_t pid = start({"refresh", copy, "--connections", "2"});
    readLine();
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::uniform_int_distribution<>(0, 300)(random)));
    kill(pid, SIGKILL);
    finish(pid);
    expectOldOrNew(false);
  }
  TRun refreshed = run({"refresh", copy});
  EXPECT_EQ(refreshed.ExitCode, 0) << refreshed.Output;
  // The summary is told once, on the standard output, though the job's log holds it too.
  const size_t summary = refreshed.Output.find("Refreshed: ");
  EXPECT_NE(summary, std::string::npos) << refreshed.Output;
  EXPECT_EQ(refreshed.Output.find("Refreshed: ", summary + 1), std::string::npos)
      << refreshed.Output;
  expectOldOrNew(true);
  // No temporary file of a replacement is left beside the copied files.
  for (const fs::directory_entry &file : fs::recursive_directory_iterator(copy))
    EXPECT_EQ(file.path().filename().string().find(".~"), std::string::npos) << file.path();
}

TEST_F(Console, ACorruptJobListIsKeptAndSetAsideOnlyWhenAsked) {
  std::string listFile = run({"settings", "UserJobList"}).Output;
  listFile = listFile.substr(listFile.find("= ") + 2);
  listFile.pop_back();
  std::filesystem::create_directories(std::filesystem::path(listFile).parent_path());
  WriteFile(listFile, "not a job list");
  TRun refused = run({"list"});
  EXPECT_EQ(refused.ExitCode, 2);
  EXPECT_NE(refused.Output.find("cannot be read"), std::string::npos) << refused.Output;
  EXPECT_EQ(ReadFile(listFile), "not a job list");

  // Asked to start afresh, it keeps the file in its place until a new list must be saved.
  TRun fresh = run({"list", "--new-job-list"});
  EXPECT_EQ(fresh.ExitCode, 0) << fresh.Output;
  EXPECT_EQ(ReadFile(listFile), "not a job list");
  TRun copied = run({"get", makeSite(1, false), home_.File("copy"), "--new-job-list"});
  EXPECT_EQ(copied.ExitCode, 0) << copied.Output;
  EXPECT_EQ(ReadFile(listFile + ".corrupt"), "not a job list");
  EXPECT_NE(run({"list"}).Output.find("1. "), std::string::npos);
}

} // namespace
} // namespace zs
