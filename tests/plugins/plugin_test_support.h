// What the plug-in tests share: private copies of the test modules and access to the record
// each test module keeps.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "kernel/interfaces.h"
#include "platform/dynamic_library.h"
#include "plugins/plugin_loader.h"
#include "tests/plugins/modules/module_counters.h"
#include "tests/support/test_environment.h"

namespace zs::testing {

// The record of a module that is mapped into the process.
inline TModuleCounters &CountersOf(const std::string &fileName) {
  platform::LibraryHandle library = platform::FindLoadedLibrary(fileName);
  auto counters = reinterpret_cast<TModuleCountersExport>(
      platform::GetProcAddress(library, ModuleCountersExport));
  if (!counters) throw std::runtime_error(fileName + " is not a mapped test module");
  return *counters();
}

// Keeps a module mapped for the life of the object, so that its record can still be read
// after the loader freed it.
class TModuleHold {
public:
  explicit TModuleHold(const std::string &fileName)
      : fileName_(fileName), library_(platform::LoadLibrary(fileName)) {}
  ~TModuleHold() { platform::FreeLibrary(library_); }
  TModuleHold(const TModuleHold &) = delete;
  TModuleHold &operator=(const TModuleHold &) = delete;

  TModuleCounters &Counters() const { return CountersOf(fileName_); }

private:
  std::string fileName_;
  platform::LibraryHandle library_;
};

// Every test starts and ends with no module loaded. Modules are loaded from copies private to
// the test, so each starts unloaded, with a fresh record.
class PluginTest : public ::testing::Test {
protected:
  ~PluginTest() override { FreeAllPlugins(); }

  // A copy of the test module built from tests/plugins/modules/<module>.cpp.
  std::string CopyOfModule(const std::string &module, const std::string &copyName = "") {
    std::string fileName = folder_.File((copyName.empty() ? module : copyName) + ".so");
    std::filesystem::copy_file(std::string(ZS_TEST_MODULES_DIR) + "/" + module + ".so", fileName);
    return fileName;
  }
  std::string FileInFolder(const std::string &name) const { return folder_.File(name); }

private:
  TempDir folder_;
};

} // namespace zs::testing
