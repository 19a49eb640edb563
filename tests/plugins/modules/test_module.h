// What the test modules share. Each module is one source file that includes this header
// once; a module links nothing of the program, so only header-only parts are used here.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "kernel/interfaces.h"
#include "tests/plugins/modules/module_counters.h"

// The exports a module provides. Declared here so that a definition that strays from the
// host's types fails to compile; unmangled because the host looks them up by name.
extern "C" {
bool PluginCheckVersion(const zs::GUID *HostID, const zs::TVersion *HostVersion,
                        zs::TVersion *ModuleVersion, zs::TVersion *OtherVersion);
void PluginInit(zs::IKernel *Kernel, zs::IUnknown **Module);
}
static_assert(std::is_same_v<decltype(&PluginCheckVersion), zs::TPluginCheckVersion>);
static_assert(std::is_same_v<decltype(&PluginInit), zs::TPluginInit>);

namespace zs::testing {

// Internal to the module: every copy of a module keeps its own record.
static TModuleCounters Counters;

// Only this program at version 1.0.0.0 is accepted, so a module that loads proves that the
// host passed its identity.
inline bool AcceptsHost(const GUID *HostID, const TVersion *HostVersion) {
  constexpr GUID host = MakeGUID("{7D4FC211-88D6-4FA7-8AEC-19FE78E77484}");
  constexpr TVersion version = {.Build = 0, .Release = 0, .Minor = 0, .Major = 1};
  return HostID && HostVersion && *HostID == host && *HostVersion == version;
}

// Records the check and announces the versions.
inline bool CheckHost(const GUID *HostID, const TVersion *HostVersion, TVersion *ModuleVersion,
                      TVersion *OtherVersion) {
  ++Counters.VersionChecks;
  *ModuleVersion = TestModuleVersion;
  *OtherVersion = TestOtherVersion;
  return AcceptsHost(HostID, HostVersion);
}

// The version check of a module that accepts this program, as most test modules do.
#define ZS_MODULE_CHECKS_HOST()                                                                    \
  bool PluginCheckVersion(const zs::GUID *HostID, const zs::TVersion *HostVersion,                 \
                          zs::TVersion *ModuleVersion, zs::TVersion *OtherVersion) {               \
    return zs::testing::CheckHost(HostID, HostVersion, ModuleVersion, OtherVersion);               \
  }

// A main object that counts its lifetime and serves the start-up role and, standing in for
// the role interfaces the host does not call here, every other role identifier.
class TTestMainObject : public platform::TComObject<IModuleInit> {
public:
  TTestMainObject() { ++Counters.LiveObjects; }
  ~TTestMainObject() override { --Counters.LiveObjects; }
  // A program of its own tells that it ran the start-up by the file it names, if any.
  HRESULT Initialize() override {
    if (const char *marker = std::getenv("ZS_TEST_MODULE_INIT_MARKER"))
      if (FILE *file = std::fopen(marker, "w")) std::fclose(file);
    return platform::S_OK;
  }

protected:
  void *lookupExtra(const GUID &iid) override {
    for (const GUID &role :
         {IID_IInetModule, IID_IInetCacheModule, IID_IParserModule, IID_IXMLProvider})
      if (iid == role) return static_cast<IModuleInit *>(this);
    return nullptr;
  }
};

// Records the initialisation and the kernel it came with.
inline void RecordInit(IKernel *Kernel) {
  ++Counters.Inits;
  Counters.Kernel = Kernel;
}

} // namespace zs::testing

extern "C" zs::testing::TModuleCounters *ZsTestModuleCounters() { return &zs::testing::Counters; }
