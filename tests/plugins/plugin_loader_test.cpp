#include "plugins/plugin_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <latch>
#include <thread>
#include <vector>

#include "tests/plugins/plugin_test_support.h"

namespace zs::testing {
namespace {

using plugins::LoadPlugin;
using plugins::TPlugin;

bool isMapped(const std::string &fileName) {
  return platform::FindLoadedLibrary(fileName) != nullptr;
}

using PluginLoaderTest = PluginTest;

TEST_F(PluginLoaderTest, ModuleAcceptingTheHostIsInitialisedWithTheKernelAndGivesItsVersions) {
  std::string module = CopyOfModule("good_module");
  // The module accepts only this host's identifier at version 1.0.0.0.
  const TPlugin *plugin = LoadPlugin(module);
  ASSERT_NE(plugin, nullptr);
  EXPECT_TRUE(plugin->Module);
  EXPECT_EQ(plugin->ModuleVersion, TestModuleVersion);
  EXPECT_EQ(plugin->OtherVersion, TestOtherVersion);
  EXPECT_EQ(CountersOf(module).Kernel, static_cast<const void *>(GetKernel().get()));

  TVersion version;
  EXPECT_TRUE(GetPluginVersion(module, version));
  EXPECT_EQ(version, TestModuleVersion);
  EXPECT_FALSE(GetPluginVersion(CopyOfModule("refusing_module"), version));
  EXPECT_FALSE(GetPluginVersion(FileInFolder("missing.so"), version));
}

TEST_F(PluginLoaderTest, ConcurrentRequestsUnderAnyNameLoadAndInitialiseTheModuleOnce) {
  std::string module = CopyOfModule("good_module");
  std::string link = FileInFolder("link-to-good-module.so");
  std::filesystem::create_symlink(module, link);
  constexpr int threads = 8;
  std::latch start(threads);
  std::vector<const TPlugin *> loaded(threads);
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i)
    workers.emplace_back([&, i] {
      start.arrive_and_wait();
      loaded[i] = LoadPlugin(i % 2 ? link : module);
    });
  for (std::thread &worker : workers)
    worker.join();

  ASSERT_NE(loaded[0], nullptr);
  EXPECT_EQ(loaded, std::vector<const TPlugin *>(threads, loaded[0]));
  EXPECT_EQ(CountersOf(module).VersionChecks, 1);
  EXPECT_EQ(CountersOf(module).Inits, 1);
}

TEST_F(PluginLoaderTest, NoPluginFromAMissingFileANonLibraryOrALibraryLackingAnExport) {
  std::string notALibrary = FileInFolder("text.so");
  WriteFile(notALibrary, "not a shared library");
  std::string noCheck = CopyOfModule("no_check_module");
  for (const std::string &name :
       {std::string(), FileInFolder("missing.so"), notALibrary, FileInFolder(""), noCheck}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadPlugin(name), nullptr);
  }
  EXPECT_FALSE(isMapped(noCheck));
}

TEST_F(PluginLoaderTest, RefusingModuleIsNeverInitialisedAndIsAskedAgainAtEachRequest) {
  std::string module = CopyOfModule("refusing_module");
  TModuleHold hold(module);
  EXPECT_EQ(LoadPlugin(module), nullptr);
  EXPECT_EQ(LoadPlugin(module), nullptr);
  EXPECT_EQ(hold.Counters().VersionChecks, 2);
  EXPECT_EQ(hold.Counters().Inits, 0);
  EXPECT_EQ(hold.Counters().LiveObjects, 0);
}

// The exception's class and text live in the module, which must still be mapped when the
// caller catches it; the main object handed out before it is released, the loader's lock let go.
TEST_F(PluginLoaderTest, ExceptionOfTheModulesInitialisationReachesTheCallerAndLeavesNothing) {
  std::string module = CopyOfModule("throwing_module");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    try {
      LoadPlugin(module);
      ADD_FAILURE() << "the module's exception was swallowed";
    } catch (const platform::Exception &e) {
      EXPECT_STREQ(e.ClassName(), "EModuleStart");
      EXPECT_EQ(e.Message(), "The test module cannot start");
    }
    EXPECT_EQ(CountersOf(module).LiveObjects, 0);
    EXPECT_EQ(CountersOf(module).Inits, attempt); // not kept as loaded
  }
  std::string good = CopyOfModule("good_module");
  auto other = std::async(std::launch::async, [&] { return LoadPlugin(good); });
  ASSERT_EQ(other.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  EXPECT_NE(other.get(), nullptr);
  FreeAllPlugins(); // kept mapped only until the plug-ins are freed
  EXPECT_FALSE(isMapped(module));
}

TEST_F(PluginLoaderTest, InterfaceIsTheMainObjectsAnswerForTheIdentifierIfThereIsOne) {
  std::string module = CopyOfModule("good_module");
  ComPtr<IUnknown> parser = GetPluginInterface(module, IID_IParserModule);
  ASSERT_TRUE(parser);
  EXPECT_EQ(parser.As<IUnknown>(), LoadPlugin(module)->Module.As<IUnknown>());
  ComPtr<IModuleInit> init = GetModuleInitInterface(module);
  ASSERT_TRUE(init);
  EXPECT_EQ(init->Initialize(), platform::S_OK);
  EXPECT_FALSE(GetPluginInterface(module, IKernel::IID));
  EXPECT_FALSE(GetModuleInitInterface(CopyOfModule("refusing_module")));

  // A module without main object serves nothing and is not initialised again.
  std::string empty = CopyOfModule("no_main_object_module");
  EXPECT_FALSE(GetPluginInterface(empty, IID_ModuleInit));
  EXPECT_FALSE(GetPluginInterface(empty, IID_IParserModule));
  EXPECT_EQ(CountersOf(empty).Inits, 1);
}

TEST_F(PluginLoaderTest, FreeingReleasesAndUnloadsEveryModuleAndALaterRequestLoadsAgain) {
  std::string module = CopyOfModule("good_module");
  TModuleHold hold(module);
  std::string unloadable = CopyOfModule("no_main_object_module");
  ASSERT_NE(LoadPlugin(module), nullptr);
  ASSERT_NE(LoadPlugin(unloadable), nullptr);
  EXPECT_EQ(hold.Counters().LiveObjects, 1);

  FreeAllPlugins();
  EXPECT_EQ(hold.Counters().LiveObjects, 0);
  EXPECT_FALSE(isMapped(unloadable));

  ASSERT_NE(LoadPlugin(module), nullptr);
  EXPECT_EQ(hold.Counters().Inits, 2);
  EXPECT_EQ(hold.Counters().LiveObjects, 1);
}

} // namespace
} // namespace zs::testing
