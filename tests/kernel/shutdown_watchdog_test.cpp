#include "kernel/shutdown_watchdog.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>

#include "tests/kernel/kernel_test_support.h"

namespace zs::testing {
namespace {

using namespace std::chrono_literals;

// Set when the watchdog lets go of its end action, which happens when its thread ends.
struct WatchEnd {
  std::promise<void> ended;
  ~WatchEnd() { ended.set_value(); }
};

class ShutdownWatchdog : public ::testing::Test {
protected:
  // The flag is given back as it was: a job list may still live for the tests after this.
  void SetUp() override { wasDestroyed_ = JobQueueDestroyed.exchange(false); }
  void TearDown() override { JobQueueDestroyed = wasDestroyed_; }

  // Starts a watchdog whose end action only counts; the future is ready when it has ended.
  std::future<void> watch(std::chrono::milliseconds limit) {
    auto end = std::make_shared<WatchEnd>();
    std::future<void> ended = end->ended.get_future();
    kernel::StartShutdownWatchdog(limit, [this, end] { ++endCalls; });
    return ended;
  }
  std::atomic<int> endCalls = 0;
  bool wasDestroyed_ = true;
};

TEST_F(ShutdownWatchdog, EndsTheProcessOnlyWhenTheJobListOutlivesTheLimit) {
  ASSERT_EQ(watch(50ms).wait_for(generousBound), std::future_status::ready);
  EXPECT_EQ(endCalls, 1);
  std::future<void> ended = watch(generousBound);
  JobQueueDestroyed = true;
  ASSERT_EQ(ended.wait_for(generousBound), std::future_status::ready);
  EXPECT_EQ(endCalls, 1);
}

TEST_F(ShutdownWatchdog, EndsAStuckProcessWithExitCode1) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        kernel::StartShutdownWatchdog(50ms);
        std::promise<void>().get_future().wait_for(generousBound);
      },
      ::testing::ExitedWithCode(1), "");
}

} // namespace
} // namespace zs::testing
