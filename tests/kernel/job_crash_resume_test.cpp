#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/support/crawl_site.h"
#include "tests/support/fake_get_file_controller.h"
#include "tests/support/recording_get_site_events.h"
#include "tests/support/test_environment.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::CrawlImageURL;
using testing::CrawlPageURL;

constexpr int pages = 127;

// Runs the job in a child process and kills it with SIGKILL once it reported the given
// number of completed links; the links it reported are returned. The child waits for an
// answer after each report, so no link is completed after the last one counted.
std::set<std::string> runAndKill(const std::string &jobList, const std::string &projectDir,
                                 size_t killAfter) {
  int output[2], input[2];
  EXPECT_EQ(pipe(output), 0);
  EXPECT_EQ(pipe(input), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  std::string program = ZS_TEST_HELPERS_DIR "/job_crash_runner", count = std::to_string(pages);
  std::string list = jobList, dir = projectDir;
  char *argv[] = {program.data(), list.data(), dir.data(), count.data(), nullptr};
  pid_t child = -1;
  EXPECT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  close(input[0]);
  std::set<std::string> done;
  FILE *lines = fdopen(output[0], "r");
  char line[512];
  while (done.size() < killAfter && std::fgets(line, sizeof line, lines)) {
    std::string text(line);
    if (text.rfind("done ", 0) != 0) continue;
    done.insert(text.substr(5, text.size() - 6));
    if (done.size() < killAfter) {
      EXPECT_EQ(write(input[1], "\n", 1), 1);
    }
  }
  kill(child, SIGKILL);
  close(input[1]);
  int status = 0;
  waitpid(child, &status, 0);
  std::fclose(lines);
  return done;
}

ComPtr<IGetSiteJob> loadJob(const std::string &jobList) {
  OleCheck(GetJobQueue()->LoadAndMerge(jobList));
  ComPtr<IIntfSnapshot> jobs;
  OleCheck(GetJobQueue()->GetJobs(jobs.put()));
  ComPtr<IUnknown> first;
  OleCheck(jobs->get_Item(0, first.put()));
  return first.As<IGetSiteJob>();
}

std::map<std::string, TLinkState> linkStates(IGetSiteJob *job) {
  std::map<std::string, TLinkState> states;
  ComPtr<IGetSiteJob>(job).As<IIGetSiteJob>()->GetInternalLinkList()->EnumerateLinks(
      [&](const TLinkDescription &link, int32_t, TLinkState state) { states[link.URL] = state; });
  return states;
}

void runToTheEnd(IGetSiteJob *job) {
  testing::TScopedGetFileController controller(3);
  OleCheck(job->Run());
  TJobState state = jsRunning;
  for (int round = 0; round < 10 * pages && state == jsRunning; ++round) {
    for (const ComPtr<testing::TFakeFetch> &fetch : controller->Running())
      if (!fetch->Ended()) fetch->Complete(true, testing::CrawlLinksFound(fetch->URL(), pages));
    testing::PumpMainThread();
    OleCheck(job->get_State(&state));
  }
  EXPECT_EQ(state, jsFinished);
}

TEST(JobCrashResume, EveryLinkCompletedBeforeAKillComesBackAndTheJobFinishes) {
  std::mt19937 random(20261207);
  for (size_t killAfter : {size_t(1), size_t(2 * pages - 1),
                           size_t(std::uniform_int_distribution<>(2, 2 * pages - 2)(random)),
                           size_t(std::uniform_int_distribution<>(2, 2 * pages - 2)(random))}) {
    SCOPED_TRACE("killed after " + std::to_string(killAfter) + " links");
    testing::TempDir temp;
    testing::TScopedRecordingEvents events;
    const std::string jobList = temp.File("jobs.jl"), projectDir = temp.File("site");
    const std::set<std::string> done = runAndKill(jobList, projectDir, killAfter);
    ASSERT_EQ(done.size(), killAfter);

    ComPtr<IGetSiteJob> job = loadJob(jobList);
    ASSERT_TRUE(job);
    TJobState state = jsRunning;
    OleCheck(job->get_State(&state));
    EXPECT_EQ(state, jsStopped);
    std::map<std::string, TLinkState> states = linkStates(job.get());
    for (const std::string &url : done) {
      EXPECT_EQ(states[url], lsCompleteOK) << url;
      // What a completed page led to is known too.
      for (const TLinkDescription &found : testing::CrawlLinksFound(url, pages)) {
        EXPECT_TRUE(states.count(found.URL)) << found.URL << " found by " << url;
      }
    }

    runToTheEnd(job.get());
    states = linkStates(job.get());
    for (int page = 0; page < pages; ++page) {
      EXPECT_EQ(states[CrawlPageURL(page)], lsCompleteOK) << page;
      EXPECT_EQ(states[CrawlImageURL(page)], lsCompleteOK) << page;
    }
    OleCheck(job->Remove());
  }
}

} // namespace
} // namespace zs
