// What a test module records about how the host treats it, and what it announces. Each test
// module exports the function named by ModuleCountersExport, through which the tests read its
// record.
#pragma once

#include <atomic>

#include "kernel/interfaces.h"

namespace zs::testing {

struct TModuleCounters {
  std::atomic<int> VersionChecks{0};
  std::atomic<int> Inits{0};
  // Main objects made and not yet destroyed.
  std::atomic<int> LiveObjects{0};
  // The kernel given to the last PluginInit.
  std::atomic<const void *> Kernel{nullptr};
};

// The versions every test module announces. Not inline: an inline variable would become a
// unique symbol, and glibc never unloads a module that defines one.
constexpr TVersion TestModuleVersion = {.Build = 5, .Release = 4, .Minor = 3, .Major = 2};
constexpr TVersion TestOtherVersion = {.Build = 9, .Release = 8, .Minor = 7, .Major = 6};

using TModuleCountersExport = TModuleCounters *(*)();
constexpr char ModuleCountersExport[] = "ZsTestModuleCounters";

} // namespace zs::testing
