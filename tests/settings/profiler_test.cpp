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

TEST_F(Profiler, EachTypedAccessorReadsItsOwnSetting) {
  using TextOf = HRESULT (IProfilerNames::*)(const std::string &, std::string *);
  const std::pair<TextOf, std::string> textsOf[] = {
      {&IProfilerNames::GetPrefixToIgnore, "PrefixToIgnore"},
      {&IProfilerNames::GetDefaultPort, "DefaultPort"},
      {&IProfilerNames::GetPluginInetModuleName, "PluginInetModuleName"},
      {&IProfilerNames::GetPluginParserModuleName, "PluginParserModuleName"}};
  // Distinct stored values, so that an accessor reading another name shows.
  for (const auto &[accessor, name] : textsOf)
    OleCheck(profiler->put_Param(name + ":x", "/set/" + name));
  OleCheck(profiler->put_Param("MaxGetProcessAllowed", int32_t{7}));
  OleCheck(profiler->put_Param("IgnorePrefix", false));
  for (const auto &[accessor, name] : textsOf) {
    std::string value;
    OleCheck((profiler.get()->*accessor)("x", &value));
    EXPECT_EQ(value, "/set/" + name);
  }
  int32_t count = 0;
  bool ignoreSSL = false, ignorePrefix = true;
  OleCheck(profiler->get_MaxGetProcessAllowed(&count));
  OleCheck(profiler->get_IgnoreSSLInexactnesses(&ignoreSSL));
  OleCheck(profiler->get_IgnorePrefix(&ignorePrefix));
  EXPECT_EQ(std::tuple(count, ignoreSSL, ignorePrefix), std::tuple(7, true, false));
  std::string prefix;
  EXPECT_EQ(profiler->GetPrefixToIgnore("", &prefix), platform::E_UNEXPECTED);
  EXPECT_EQ(platform::TakeErrorInfo(), "Needs second param");
}

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

std::string askedModule;
bool fakePluginVersion(const std::string &name, TVersion &version) {
  askedModule = name;
  version = {4, 3, 2, 1};
  return name.ends_with("good.so");
}

TEST_F(Profiler, ModuleVersionsAreAskedForTheExpandedName) {
  GetPluginVersion.Fill(&fakePluginVersion);
  uint16_t major = 0, minor = 0, release = 0;
  bool found = false;
  OleCheck(profiler->GetModuleVersion("sub/../good.so", &major, &minor, &release, &found));
  EXPECT_EQ(askedModule, ModulesPath() + "good.so");
  EXPECT_EQ(std::tuple(major, minor, release, found), std::tuple(1, 2, 3, true));
  OleCheck(profiler->GetModuleVersion("/abs/bad.so", &major, &minor, &release, &found));
  EXPECT_EQ(askedModule, "/abs/bad.so");
  EXPECT_EQ(std::tuple(major, minor, release, found), std::tuple(0, 0, 0, false));
  RegisterPluginsModule(); // puts the real loader back
}

} // namespace
} // namespace zs::settings
