#include "tests/support/test_environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/registry.h"

namespace zs::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "zs-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ignored; // a test that left a file open must not fail its teardown
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

namespace {
std::string getEnv(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}
void setEnv(const char *name, const std::string &value) {
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}
} // namespace

ScopedHives::ScopedHives()
    : userHive_(dir_.File("user.db")), machineHive_(dir_.File("machine.db")),
      oldUserHive_(getEnv("ZELVOR_SUMBRA_USER_HIVE")),
      oldMachineHive_(getEnv("ZELVOR_SUMBRA_MACHINE_HIVE")) {
  platform::RegCloseHives();
  setEnv("ZELVOR_SUMBRA_USER_HIVE", userHive_);
  setEnv("ZELVOR_SUMBRA_MACHINE_HIVE", machineHive_);
}

ScopedHives::~ScopedHives() {
  platform::RegCloseHives();
  setEnv("ZELVOR_SUMBRA_USER_HIVE", oldUserHive_);
  setEnv("ZELVOR_SUMBRA_MACHINE_HIVE", oldMachineHive_);
}

void WriteFile(const std::string &fileName, const std::string &bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + fileName);
}

std::string ReadFile(const std::string &fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace zs::testing
