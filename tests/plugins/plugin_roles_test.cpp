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

using platform::OleCheck;

void putSetting(const std::string &name, const std::string &value) {
  OleCheck(GetProfiler()->put_Param(name, Variant(value)));
}

// The main object of a loaded module, to compare what the roles hand out with.
ComPtr<IUnknown> mainObjectOf(const std::string &module) {
  return plugins::LoadPlugin(module)->Module.As<IUnknown>();
}

ComPtr<IUnknown> identityOf(const ComPtr<IUnknown> &object) { return object.As<IUnknown>(); }

class PluginRolesTest : public PluginTest {
private:
  ScopedHives hives_;
};

TEST_F(PluginRolesTest, EachRoleComesFromTheModuleItsSettingNames) {
  struct TRoleCase {
    const char *Setting;
    std::function<ComPtr<IUnknown>()> Get;
  };
  const std::vector<TRoleCase> roles = {
      {"PluginParserModuleName:html", [] { return GetParserModule("html"); }},
      {"PluginParserModuleName:css", [] { return GetParserModule("css"); }},
      {"PluginInetModuleName:ftp", [] { return GetInetModule("ftp"); }},
      {"PluginXMLProviderModuleName", [] { return GetXMLProviderModule(); }},
  };
  for (const TRoleCase &role : roles)
    EXPECT_FALSE(role.Get()) << role.Setting;

  // One module per role, so that a role answered from another role's setting shows.
  std::vector<std::string> modules;
  for (const TRoleCase &role : roles) {
    modules.push_back(CopyOfModule("good_module", "module" + std::to_string(modules.size())));
    putSetting(role.Setting, modules.back());
  }
  for (size_t i = 0; i < roles.size(); ++i)
    EXPECT_EQ(identityOf(roles[i].Get()), mainObjectOf(modules[i])) << roles[i].Setting;
  EXPECT_FALSE(GetParserModule("script"));
}

struct TCacheWalk {
  std::vector<ComPtr<IUnknown>> Offered;
  size_t StopAfter = SIZE_MAX;
};

bool recordCacheModule(void *Context, IUnknown *Module) {
  auto &walk = *static_cast<TCacheWalk *>(Context);
  walk.Offered.push_back(identityOf(Module));
  return walk.Offered.size() >= walk.StopAfter;
}

TEST_F(PluginRolesTest, CacheModulesAreOfferedLineByLineUntilTheCallbackAnswersTrue) {
  TCacheWalk none;
  EnumInetCacheModules(&recordCacheModule, &none);
  EXPECT_TRUE(none.Offered.empty());

  std::string first = CopyOfModule("good_module", "first_cache");
  std::string second = CopyOfModule("good_module", "second_cache");
  std::string refusing = CopyOfModule("refusing_module");
  putSetting("PluginInetCacheModuleNames", first + "\r\n\n" + refusing + "\n" +
                                               FileInFolder("missing.so") + "\r" + second + "\n");
  TCacheWalk stopped;
  stopped.StopAfter = 1;
  EnumInetCacheModules(&recordCacheModule, &stopped);
  EXPECT_EQ(stopped.Offered, std::vector<ComPtr<IUnknown>>{mainObjectOf(first)});
  // The walk never reached the second module, so it was never loaded.
  EXPECT_FALSE(platform::FindLoadedLibrary(second));

  // Nothing is offered for a line without a module.
  TCacheWalk walk;
  EnumInetCacheModules(&recordCacheModule, &walk);
  std::vector<ComPtr<IUnknown>> expected = {mainObjectOf(first), nullptr, nullptr, nullptr,
                                            mainObjectOf(second)};
  EXPECT_EQ(walk.Offered, expected);
}

TEST_F(PluginRolesTest, ModuleLoadingAnotherModuleDuringItsInitialisationLoadsBoth) {
  std::string other = CopyOfModule("good_module");
  putSetting("PluginParserModuleName:css", other);
  std::string nesting = CopyOfModule("nesting_module");

  // The nesting module gives a main object only when the other module's version came back.
  EXPECT_TRUE(GetModuleInitInterface(nesting));
  EXPECT_EQ(identityOf(GetParserModule("css")), mainObjectOf(other));
  EXPECT_EQ(CountersOf(other).Inits, 1);
  EXPECT_EQ(CountersOf(nesting).Inits, 1);
}

TEST_F(PluginRolesTest, NameWithoutFolderIsLookedUpInTheModulesFolder) {
  std::string modulesPath;
  OleCheck(GetProfiler()->GetModulesPath(&modulesPath));
  std::filesystem::create_directories(modulesPath);
  // Unique in the shared folder, and removed again.
  std::string name = "zs-plugin-test-" + std::to_string(getpid()) + ".so";
  std::filesystem::copy_file(CopyOfModule("good_module"), modulesPath + name);
  struct TRemove {
    std::string FileName;
    ~TRemove() { std::filesystem::remove(FileName); }
  } remove{modulesPath + name};

  const plugins::TPlugin *plugin = plugins::LoadPlugin(name);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugins::LoadPlugin(modulesPath + name), plugin);
}

} // namespace
} // namespace zs::testing
