#include "kernel/main_thread_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/main_loop.h"
#include "tests/kernel/kernel_test_support.h"

namespace zs::testing {
namespace {

struct Message {
  int poster, sequence;
};

// Records the messages it runs; tells whether its last reference went in the main thread.
class Target : public platform::TComObject<IILinkMessageSupport> {
public:
  explicit Target(std::atomic<int> *endedInMain = nullptr) : endedInMain_(endedInMain) {}
  ~Target() override {
    if (endedInMain_) *endedInMain_ = platform::IsMainThread() ? 1 : -1;
  }
  void DispatchMessage(void *message) override {
    EXPECT_TRUE(platform::IsMainThread());
    received.push_back(*static_cast<Message *>(message));
  }
  std::vector<Message> received;

private:
  std::atomic<int> *endedInMain_;
};

class MainThreadQueue : public ::testing::Test {
  void TearDown() override { platform::ClearMainLoop(); }
};

// A posted message holds its target until it ran; a release from a worker drops the last
// reference in the main thread too.
TEST_F(MainThreadQueue, TargetsEndInTheMainThreadAfterTheirMessagesRan) {
  std::atomic<int> postedEnded = 0, releasedEnded = 0;
  auto posted = platform::MakeCom<Target>(&postedEnded);
  Target *raw = posted.get();
  Message message{0, 7};
  PostLinkMessage(posted.get(), &message);
  posted.reset();
  EXPECT_TRUE(raw->received.empty()); // never run in the caller
  EXPECT_THROW(PostLinkMessage(nullptr, &message), platform::Exception);

  auto released = platform::MakeCom<Target>(&releasedEnded);
  ReleaseInMainThread(released.get()); // in the main thread: nothing to do
  std::thread([held = std::move(released)]() mutable {
    ReleaseInMainThread(held.get());
    held.reset();
  }).join();
  EXPECT_EQ(postedEnded, 0);
  EXPECT_EQ(releasedEnded, 0);
  ASSERT_TRUE(pumpUntil([&] { return postedEnded != 0 && releasedEnded != 0; }));
  EXPECT_EQ(postedEnded, 1);
  EXPECT_EQ(releasedEnded, 1);
}

} // namespace
} // namespace zs::testing
