#include "kernel/profiler_advisor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "tests/support/test_environment.h"

namespace zs::settings {
namespace {

struct Heard {
  std::string Name, Value;
  bool InMainThread;
  friend bool operator==(const Heard &, const Heard &) = default;
};

TEST(ProfilerAdvisor, ForwardsChangesWhileItLivesInTheMainThreadWhateverThreadMadeThem) {
  testing::ScopedHives hives;
  std::vector<Heard> heard;
  {
    TProfilerAdvisor advisor([&](const std::string &name, const Variant &value) {
      heard.push_back({name, value.AsString(), platform::IsMainThread()});
    });
    platform::OleCheck(GetProfiler()->put_Param("UserAgent", "from main"));
    HRESULT result = platform::E_FAIL;
    std::thread([&] {
      result = GetProfiler()->put_Param("MaxGetProcessAllowed", int32_t{4});
    }).join();
    EXPECT_EQ(result, platform::S_OK);
    EXPECT_EQ(heard.size(), 1u); // posted, not run in the worker
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    platform::WaitWhilePumping(
        [&] { return heard.size() > 1 || std::chrono::steady_clock::now() > deadline; });
  }
  platform::OleCheck(GetProfiler()->put_Param("UserAgent", "after"));
  EXPECT_EQ(heard, (std::vector<Heard>{{"UserAgent", "from main", true},
                                       {"MaxGetProcessAllowed", "4", true}}));
}

} // namespace
} // namespace zs::settings
