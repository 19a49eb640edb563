#include "plugins/plugin_roles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/safecall.h"
#include "tests/plugins/plugin_test_support.h"

namespace zs::testing {
namespace {

void putSetting(const std::string &name, const std::string &value) {
  platform::OleCheck(GetProfiler()->put_Param(name, Variant(value)));
}

// The main object of a loaded module, to compare what the roles hand out with.
ComPtr<IUnknown> mainObjectOf(const std::string &module) {
  return plugins::LoadPlugin(module)->Module.As<IUnknown>();
}

class PluginRolesTest : public PluginTest {
  ScopedHives hives_;
};

TEST_F(PluginRolesTest, EachRoleComesFromTheModuleItsSettingNames) {
  const std::pair<const char *, std::function<ComPtr<IUnknown>()>> roles[] = {
      {"PluginParserModuleName:html", [] { return GetParserModule("html"); }},
      {"PluginParserModuleName:css", [] { return GetParserModule("css"); }},
      {"PluginInetModuleName:ftp", [] { return GetInetModule("ftp"); }},
      {"PluginXMLProviderModuleName", [] { return GetXMLProviderModule(); }},
  };
  for (const auto &[setting, get] : roles)
    EXPECT_FALSE(get()) << setting;

  // One module per role, so that a role answered from another role's setting shows.
  std::vector<std::string> modules;
  for (const auto &[setting, get] : roles) {
    modules.push_back(CopyOfModule("good_module", "module" + std::to_string(modules.size())));
    putSetting(setting, modules.back());
  }
  for (size_t i = 0; i < modules.size(); ++i)
    EXPECT_EQ(roles[i].second().As<IUnknown>(), mainObjectOf(modules[i])) << roles[i].first;
  EXPECT_FALSE(GetParserModule("script"));
}

struct TCacheWalk {
  std::vector<ComPtr<IUnknown>> Offered;
  size_t StopAfter = SIZE_MAX;
};

bool recordCacheModule(void *Context, IUnknown *Module) {
  auto &walk = *static_cast<TCacheWalk *>(Context);
  walk.Offered.push_back(ComPtr<IUnknown>(Module).As<IUnknown>());
  return walk.Offered.size() >= walk.StopAfter;
}

TEST_F(PluginRolesTest, CacheModulesAreOfferedLineByLineUntilTheCallbackAnswersTrue) {
  std::string first = CopyOfModule("good_module", "first_cache");
  std::string second = CopyOfModule("good_module", "second_cache");
  std::string refusing = CopyOfModule("refusing_module");
  putSetting("PluginInetCacheModuleNames", first + "\r\n\n" + refusing + "\n" +
                                               FileInFolder("missing.so") + "\r" + second + "\n");
  TCacheWalk stopped{{}, 1};
  EnumInetCacheModules(&recordCacheModule, &stopped);
  EXPECT_EQ(stopped.Offered, std::vector<ComPtr<IUnknown>>{mainObjectOf(first)});
  // The walk never reached the second module, so it was never loaded.
  EXPECT_FALSE(platform::FindLoadedLibrary(second));

  // Nothing is offered for a line without a module.
  TCacheWalk walk;
  EnumInetCacheModules(&recordCacheModule, &walk);
  EXPECT_EQ(walk.Offered, (std::vector<ComPtr<IUnknown>>{mainObjectOf(first), nullptr, nullptr,
                                                         nullptr, mainObjectOf(second)}));
}

} // namespace
} // namespace zs::testing
