#include "settings/profiler.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "settings/param_tables.h"
#include "tests/support/test_environment.h"

namespace zs::settings {
namespace {

using platform::OleCheck;
using platform::SafeCall;

class Listener : public platform::TComObject<IProfilerEvents> {
public:
  explicit Listener(std::function<void(const std::string &)> heard) : heard_(std::move(heard)) {}
  HRESULT ParamChanged(const std::string &Param, const Variant &) override {
    return SafeCall([&] { heard_(Param); });
  }

private:
  std::function<void(const std::string &)> heard_;
};

class Profiler : public ::testing::Test {
protected:
  static ComPtr<IProfilerNames> fresh() {
    return CreateProfiler(platform::MakeCom<TProfileParamSaver>());
  }
  int32_t advise(const std::string &tag) {
    int32_t id = 0;
    OleCheck(profiler->Advise(platform::MakeCom<Listener>([this, tag](const std::string &name) {
                                heard.push_back(tag + ":" + name);
                              }).get(),
                              &id));
    return id;
  }

  testing::ScopedHives hives;
  ComPtr<IProfilerNames> profiler = fresh();
  std::vector<std::string> heard;
};

TEST_F(Profiler, ListenersHearChangesInTheOrderOfAdviseUntilUnadvised) {
  EXPECT_EQ(profiler->Unadvice(1), platform::E_INVALIDARG); // no listener yet
  const int32_t first = advise("A");
  const int32_t second = advise("B");
  EXPECT_NE(first, second);
  OleCheck(profiler->put_Param("UserAgent", "one"));
  OleCheck(profiler->Unadvice(first));
  OleCheck(profiler->put_Param("UserAgent", "two"));
  EXPECT_EQ(heard, (std::vector<std::string>{"A:UserAgent", "B:UserAgent", "B:UserAgent"}));
  EXPECT_EQ(profiler->Unadvice(first), platform::E_INVALIDARG);
  // A failing listener stops the notification, and the writer is told; the value is stored.
  profiler = fresh();
  heard.clear();
  int32_t id = 0;
  OleCheck(profiler->Advise(platform::MakeCom<Listener>([](const std::string &) {
                              throw platform::Exception("listener refused");
                            }).get(),
                            &id));
  advise("B");
  EXPECT_EQ(profiler->put_Param("UserAgent", "new"), platform::E_UNEXPECTED);
  EXPECT_EQ(platform::TakeErrorInfo(), "listener refused");
  EXPECT_TRUE(heard.empty());
  std::string agent;
  OleCheck(profiler->get_UserAgent(&agent));
  EXPECT_EQ(agent, "new");
}

TEST_F(Profiler, StoredValuesOutliveTheObjectAndTheHTMLParserAnswerIsKept) {
  bool overriden = true;
  OleCheck(profiler->get_HTMLParserOverriden(&overriden));
  OleCheck(profiler->put_Param("PluginParserModuleName:html", "html.so"));
  OleCheck(profiler->put_Param("UserAgent", "persisted"));
  OleCheck(profiler->get_HTMLParserOverriden(&overriden));
  EXPECT_FALSE(overriden);
  profiler = fresh();
  OleCheck(profiler->get_HTMLParserOverriden(&overriden));
  EXPECT_TRUE(overriden);
  std::string agent;
  OleCheck(profiler->get_UserAgent(&agent));
  EXPECT_EQ(agent, "persisted");
}

} // namespace
} // namespace zs::settings
