#include "kernel/http_module_init.h"

#include <gtest/gtest.h>

#include "platform/safecall.h"
#include "tests/kernel/kernel_test_support.h"
#include "tests/support/test_environment.h"

namespace zs::testing {
namespace {

using platform::E_FAIL;
using platform::S_OK;

class FakeModuleInit : public platform::TComObject<IModuleInit> {
public:
  explicit FakeModuleInit(HRESULT result) : result_(result) {}
  HRESULT Initialize() override {
    ++calls;
    return platform::SafeCall([&] {
      if (platform::Failed(result_)) throw platform::EOleSysError("Cannot start", result_);
    });
  }
  int calls = 0;

private:
  HRESULT result_;
};

ComPtr<FakeModuleInit> moduleInit; // what the loader finds in any module
std::vector<std::string> modulesAsked;

ComPtr<IModuleInit> fakeModuleInitInterface(const std::string &ModuleName) {
  modulesAsked.push_back(ModuleName);
  return moduleInit;
}

class HttpModuleInit : public ::testing::Test {
  ScopedHives hives_;
  ScopedFake<ComPtr<IModuleInit>(const std::string &)> loader_{GetModuleInitInterface,
                                                               fakeModuleInitInterface};
};

TEST_F(HttpModuleInit, InitialisesTheConfiguredModuleOnceAndRaisesWhenThatFails) {
  struct {
    std::string moduleName; // as configured for "http"
    bool hasInit;
    HRESULT initResult;
  } const cases[] = {{"", true, S_OK},
                     {"/opt/zs/http.so", false, S_OK},
                     {"/opt/zs/http.so", true, S_OK},
                     {"/opt/zs/http.so", true, E_FAIL}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.moduleName + (c.hasInit ? " with init" : " without init"));
    modulesAsked.clear();
    moduleInit = c.hasInit ? platform::MakeCom<FakeModuleInit>(c.initResult) : nullptr;
    platform::OleCheck(
        GetProfiler()->put_Param("PluginInetModuleName:http", Variant(c.moduleName)));
    bool done = false;
    if (platform::Failed(c.initResult)) {
      EXPECT_THROW(kernel::InitHttpModule(done), platform::EOleSysError);
    } else {
      kernel::InitHttpModule(done);
    }
    EXPECT_TRUE(done);
    std::string configured;
    platform::OleCheck(GetProfiler()->GetPluginInetModuleName("http", &configured));
    EXPECT_EQ(modulesAsked, configured.empty() ? std::vector<std::string>{}
                                               : std::vector<std::string>{configured});
    EXPECT_EQ(moduleInit ? moduleInit->calls : 0, c.hasInit && !c.moduleName.empty() ? 1 : 0);
    moduleInit.reset();
  }
}

} // namespace
} // namespace zs::testing
