#include "platform/main_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/exceptions.h"

namespace zs::platform {
namespace {

// Drains the queue until the condition holds; fails after a generous bound instead of hanging.
void pumpUntil(const std::function<bool()> &condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the awaited message never came";
    ProcessPendingMessages();
    WaitForMessages(std::chrono::milliseconds(50));
  }
}

class MainLoopTest : public ::testing::Test {
protected:
  void TearDown() override { ClearMainLoop(); }
};

TEST_F(MainLoopTest, PostedMessagesNeverRunInlineAndAFailingOneKeepsTheOnesBehindIt) {
  ASSERT_TRUE(IsMainThread());
  int rounds = 0;
  PostTask([&] {
    ++rounds;
    PostTask([&] { ++rounds; });
  });
  EXPECT_EQ(rounds, 0);
  EXPECT_EQ(ProcessPendingMessages(), 1);
  EXPECT_EQ(rounds, 1);
  EXPECT_EQ(ProcessPendingMessages(), 1);
  EXPECT_EQ(rounds, 2);
  // A failing message keeps the ones behind it.
  PostTask([] { throw std::runtime_error("boom"); });
  PostTask([&] { ++rounds; });
  EXPECT_THROW(ProcessPendingMessages(), std::runtime_error);
  EXPECT_EQ(rounds, 2);
  ProcessPendingMessages();
  EXPECT_EQ(rounds, 3);
}

TEST_F(MainLoopTest, MessagesFromManyThreadsRunInTheMainThreadInEachPostersOrder) {
  constexpr int threads = 4, perThread = 200;
  std::vector<std::vector<int>> seen(threads);
  std::atomic<int> total{0};
  bool allInMainThread = true;
  std::vector<std::thread> posters;
  for (int t = 0; t < threads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < perThread; ++i)
        PostTask([&, t, i] {
          allInMainThread = allInMainThread && IsMainThread();
          seen[t].push_back(i);
          ++total;
        });
    });
  for (auto &poster : posters)
    poster.join();
  pumpUntil([&] { return total == threads * perThread; });
  EXPECT_TRUE(allInMainThread);
  for (const auto &sequence : seen) {
    ASSERT_EQ(sequence.size(), size_t(perThread));
    for (int i = 0; i < perThread; ++i)
      EXPECT_EQ(sequence[i], i);
  }
}

TEST_F(MainLoopTest, TimersStopWhenKilledAndOtherThreadsWakeTheLoopButCannotTakeItOver) {
  int ticks = 0;
  uint32_t id = SetTimer(std::chrono::milliseconds(1), [&] { ++ticks; });
  pumpUntil([&] { return ticks >= 3; });
  KillTimer(id);
  int afterKill = ticks;
  std::this_thread::sleep_for(std::chrono::milliseconds(5)); // let a killed timer fall due
  ProcessPendingMessages();
  EXPECT_EQ(ticks, afterKill);

  std::atomic<int> wakeUps{0};
  bool activated = false, raised = false;
  SetWakeUpHandler([&] { ++wakeUps; });
  SetActivationHandler([&] { activated = IsMainThread(); });
  std::thread([&] {
    PostTask([] {});
    PostActivation();
    try {
      BindMainThread();
    } catch (const Exception &) {
      raised = true;
    }
  }).join();
  // One wake-up serves every message posted before the loop takes them; the next post after
  // that wakes it again.
  EXPECT_EQ(wakeUps, 1);
  EXPECT_TRUE(raised);
  pumpUntil([&] { return activated; });
  std::thread([] { PostTask([] {}); }).join();
  EXPECT_EQ(wakeUps, 2);
  SetWakeUpHandler(nullptr);
  SetActivationHandler(nullptr);
  EXPECT_TRUE(IsMainThread());
}

} // namespace
} // namespace zs::platform
