#include "kernel/idle_init.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>

#include "tests/kernel/kernel_test_support.h"

namespace zs::testing {
namespace {

std::mutex logLock;
std::string runs;                     // one letter a run, guarded by logLock
std::set<std::thread::id> runThreads; // guarded by logLock
std::atomic<int> running = 0, mostAtOnce = 0, thriceRuns = 0;
std::atomic<bool> gateOpen = false;

void record(char name) {
  std::lock_guard guard(logLock);
  runs += name;
  runThreads.insert(std::this_thread::get_id());
}
std::string allRuns() {
  std::lock_guard guard(logLock);
  return runs;
}

template <char Name> void handler(bool &) {
  if (++running > mostAtOnce) mostAtOnce = running.load();
  record(Name);
  if (Name == 'B') gateOpen.wait(false); // B runs until the test opens the gate
  --running;
}
void thriceHandler(bool &Done) {
  record('R');
  Done = ++thriceRuns == 3;
}
void throwingHandler(bool &Done) {
  record('T');
  Done = false;
  throw platform::Exception("The start-up failed");
}

class IdleInitTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(idleUntilDone()); // the handlers registered at start-up go first
    runs.clear();
    runThreads.clear();
    gateOpen = false;
    thriceRuns = 0;
  }
  void TearDown() override { openGate(); }
  static void openGate() {
    gateOpen = true;
    gateOpen.notify_all();
  }
};

TEST_F(IdleInitTest, HandlersRunInOrderEachInItsThreadAndNotDoneIsAnsweredMeanwhile) {
  for (TIdleInitHandler h : {handler<'A'>, handler<'B'>, handler<'C'>})
    AddIdleInitHandler(h);
  bool done = true;
  ProcessIdleInit(done);
  EXPECT_TRUE(done) << "the first call keeps the idle loop's own value";
  ASSERT_TRUE(waitUntil([&] { return ProcessIdleInit(done), allRuns() == "AB"; }));
  for (int call = 0; call < 3; ++call) {
    done = true;
    ProcessIdleInit(done);
    EXPECT_FALSE(done);
  }
  EXPECT_EQ(allRuns(), "AB") << "C started while B still ran";
  openGate();
  ASSERT_TRUE(idleUntilDone());
  EXPECT_EQ(allRuns(), "ABC");
  EXPECT_EQ(mostAtOnce, 1);
  EXPECT_FALSE(runThreads.contains(std::this_thread::get_id()));
}

TEST_F(IdleInitTest, HandlerAnsweringNotDoneRunsAgainAndOneThatRaisesCountsAsDone) {
  for (TIdleInitHandler h : {thriceHandler, throwingHandler, handler<'A'>})
    AddIdleInitHandler(h);
  ASSERT_TRUE(idleUntilDone());
  EXPECT_EQ(allRuns(), "RRRTA");
  bool done = false; // with no handler left, done at once
  ProcessIdleInit(done);
  EXPECT_TRUE(done);
  EXPECT_THROW(AddIdleInitHandler(nullptr), platform::Exception);
}

TEST_F(IdleInitTest, FinalisationWaitsForTheRunningHandlerAndDropsTheRest) {
  AddIdleInitHandler(handler<'B'>);
  AddIdleInitHandler(handler<'A'>);
  bool done = false;
  ASSERT_TRUE(waitUntil([&] { return ProcessIdleInit(done), allRuns() == "B"; }));
  std::thread finalising(kernel::FinalizeIdleInit);
  openGate();
  finalising.join();
  EXPECT_EQ(running, 0);
  EXPECT_TRUE(idleUntilDone());
  EXPECT_EQ(allRuns(), "B");
}

} // namespace
} // namespace zs::testing
