// A private folder for programs that run the modules outside the test runner (benchmarks,
// fuzzers): both settings hives point into it, the modules are started, and the folder is
// removed at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "kernel/module_startup.h"

namespace zs::testing {

class TScratchFolder {
public:
  explicit TScratchFolder(const std::string &name)
      : dir_(std::filesystem::temp_directory_path() /
             ("zs-" + name + "-" + std::to_string(std::random_device()()))) {
    std::filesystem::create_directories(dir_);
    setenv("ZELVOR_SUMBRA_USER_HIVE", (dir_ / "user.db").c_str(), 1);
    setenv("ZELVOR_SUMBRA_MACHINE_HIVE", (dir_ / "machine.db").c_str(), 1);
    StartModules();
  }
  ~TScratchFolder() {
    std::error_code ignored; // a leftover folder in the temporary folder is harmless
    std::filesystem::remove_all(dir_, ignored);
  }
  TScratchFolder(const TScratchFolder &) = delete;
  TScratchFolder &operator=(const TScratchFolder &) = delete;

  const std::filesystem::path &Path() const { return dir_; }

private:
  std::filesystem::path dir_;
};

} // namespace zs::testing
