// Writes numbered values into a hive as fast as it can, so that a test can run two of these
// against one hive at once. Usage: hive_writer <hive file> <key> <name prefix> <count>.
// Value <prefix><i> is the double word i. Exits with 0 when every value was written.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/exceptions.h"
#include "platform/registry.h"

int main(int argc, char **argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s <hive file> <key> <name prefix> <count>\n", argv[0]);
    return 2;
  }
  setenv("ZELVOR_SUMBRA_USER_HIVE", argv[1], 1);
  const std::string key = argv[2], prefix = argv[3];
  const unsigned long count = std::strtoul(argv[4], nullptr, 10);
  try {
    for (unsigned long i = 0; i < count; ++i)
      zs::platform::RegSetValue(zs::platform::RegRoot::CurrentUser, key, prefix + std::to_string(i),
                                zs::platform::RegValue::FromDWord(static_cast<uint32_t>(i)));
  } catch (const zs::platform::Exception &error) {
    std::fprintf(stderr, "%s: %s\n", error.ClassName(), error.what());
    return 1;
  }
  return 0;
}
