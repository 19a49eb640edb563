// The separated network process on its own command line.
#include <gtest/gtest.h>

#include "platform/child_process.h"
#include "platform/folders.h"

namespace zs::retrieval {
namespace {

using namespace std::chrono_literals;

TEST(WinInetter, RefusesACommandLineThatNamesNoDescriptor) {
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{}, {"zz"}, {"123456789"}, {"3", "4"}}) {
    platform::ChildProcess process = platform::ChildProcess::Spawn(
        platform::ProgramFolder() + "ZelvorSumbraWinInetter", arguments);
    ASSERT_TRUE(process.WaitForExit(30s));
    EXPECT_EQ(process.ExitStatus(), 2) << ::testing::PrintToString(arguments);
  }
}

} // namespace
} // namespace zs::retrieval
