// The main of the desktop tests: the window's toolkit on the offscreen platform, private
// settings, a private job list folder and temporary folder, and the modules started as the
// program starts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "tests/support/test_environment.h"
#include "ui/desktop/desktop_module.h"
#include "ui/desktop/qt_main_loop.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  zs::testing::ScopedHives hives;
  zs::testing::TempDir data;
  setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  // The update job's folder, among others, goes to the temporary folder.
  setenv("TMPDIR", data.Path().c_str(), 1);
  zs::StartModules();
  zs::ui::RegisterDesktopModule();
  int result = 0;
  {
    QApplication application(argc, argv);
    zs::ui::BindMainLoopToQt();
    result = RUN_ALL_TESTS();
    // As the program ends: what the jobs' threads still post runs before the list goes.
    zs::ShutdownKernel();
    zs::ui::UnbindMainLoopFromQt();
  }
  zs::StopModules();
  return result;
}
