#include "kernel/http_module_init.h"
#include "kernel/idle_init.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>

#include "platform/safecall.h"
#include "tests/kernel/kernel_test_support.h"
#include "tests/support/test_environment.h"

namespace zs::testing {
namespace {

std::mutex logLock;
std::string runs;                     // one letter a run, guarded by logLock
std::set<std::thread::id> runThreads; // guarded by logLock
std::atomic<int> running = 0, mostAtOnce = 0, thriceRuns = 0;
std::atomic<bool> gateOpen = false;

std::string allRuns() {
  std::lock_guard guard(logLock);
  return runs;
}
void record(char name) {
  std::lock_guard guard(logLock);
  runs += name;
  runThreads.insert(std::this_thread::get_id());
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
  bool idleUntilRuns(const std::string &expected) {
    bool done = false;
    return waitUntil([&] { return ProcessIdleInit(done), allRuns() == expected; });
  }
};

TEST_F(IdleInitTest, HandlersRunInOrderOneAtATimeInAnotherThreadAndRepeatUntilDone) {
  for (TIdleInitHandler h : {handler<'A'>, handler<'B'>, thriceHandler, throwingHandler})
    AddIdleInitHandler(h);
  bool done = true;
  ProcessIdleInit(done);
  EXPECT_TRUE(done) << "the first call keeps the idle loop's own value";
  ASSERT_TRUE(idleUntilRuns("AB"));
  done = true;
  ProcessIdleInit(done);
  EXPECT_FALSE(done) << "done while B still runs";
  EXPECT_EQ(allRuns(), "AB") << "the next started while B still ran";
  openGate();
  ASSERT_TRUE(idleUntilDone());
  EXPECT_EQ(allRuns(), "ABRRRT"); // one that raises counts as done
  EXPECT_EQ(mostAtOnce, 1);
  EXPECT_FALSE(runThreads.contains(std::this_thread::get_id()));
  EXPECT_THROW(AddIdleInitHandler(nullptr), platform::Exception);
}

TEST_F(IdleInitTest, FinalisationWaitsForTheRunningHandlerAndDropsTheRest) {
  AddIdleInitHandler(handler<'B'>);
  AddIdleInitHandler(handler<'A'>);
  ASSERT_TRUE(idleUntilRuns("B"));
  std::thread finalising(kernel::FinalizeIdleInit);
  openGate();
  finalising.join();
  EXPECT_EQ(running, 0);
  EXPECT_TRUE(idleUntilDone());
  EXPECT_EQ(allRuns(), "B");
}

// The start-up handler of the http module, with a loader that finds moduleInit in any module.
ComPtr<IModuleInit> moduleInit;
std::vector<std::string> modulesAsked;

class FakeModuleInit : public platform::TComObject<IModuleInit> {
public:
  explicit FakeModuleInit(HRESULT result) : result_(result) {}
  HRESULT Initialize() override { return ++calls, result_; }
  int calls = 0;

private:
  HRESULT result_;
};

TEST(HttpModuleInit, InitialisesTheConfiguredModuleOnceAndRaisesWhenThatFails) {
  ScopedHives hives;
  ScopedFake<ComPtr<IModuleInit>(const std::string &)> loader{GetModuleInitInterface,
                                                              [](const std::string &name) {
                                                                modulesAsked.push_back(name);
                                                                return moduleInit;
                                                              }};
  const struct {
    std::string moduleName; // as configured for "http"
    bool hasInit;
    HRESULT initResult;
  } cases[] = {{"", true, platform::S_OK},
               {"/opt/zs/http.so", false, platform::S_OK},
               {"/opt/zs/http.so", true, platform::S_OK},
               {"/opt/zs/http.so", true, platform::E_FAIL}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.moduleName + (c.hasInit ? " with init" : " without init"));
    modulesAsked.clear();
    auto init = c.hasInit ? platform::MakeCom<FakeModuleInit>(c.initResult) : nullptr;
    moduleInit = init;
    platform::OleCheck(
        GetProfiler()->put_Param("PluginInetModuleName:http", Variant(c.moduleName)));
    bool done = false;
    if (platform::Failed(c.initResult))
      EXPECT_THROW(kernel::InitHttpModule(done), platform::EOleSysError);
    else
      kernel::InitHttpModule(done);
    EXPECT_TRUE(done);
    EXPECT_EQ(modulesAsked.size(), c.moduleName.empty() ? 0u : 1u);
    EXPECT_EQ(init ? init->calls : 0, c.hasInit && !c.moduleName.empty() ? 1 : 0);
    moduleInit.reset();
  }
}

} // namespace
} // namespace zs::testing
