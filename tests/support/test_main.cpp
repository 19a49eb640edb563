// The main of every test program: the settings hives point at files of a private folder
// (tests never touch the user's own), then the modules start as in the program.
#include <gtest/gtest.h>

#include "kernel/module_startup.h"
#include "tests/support/test_environment.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  zs::testing::ScopedHives hives;
  zs::StartModules();
  int result = RUN_ALL_TESTS();
  zs::StopModules();
  return result;
}
