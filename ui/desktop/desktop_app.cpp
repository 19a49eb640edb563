#include "ui/desktop/desktop_app.h"

#include <QApplication>
#include <cstring>
#include <memory>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "ui/common/program_cycle.h"
#include "ui/desktop/automation_server.h"
#include "ui/desktop/desktop_module.h"
#include "ui/desktop/main_window.h"
#include "ui/desktop/qt_main_loop.h"
#include "ui/desktop/single_instance.h"

namespace zs::ui {

int RunDesktop(int argc, char **argv) {
  bool automation = false;
  for (int i = 1; i < argc; ++i)
    automation = automation || std::strcmp(argv[i], "--automation") == 0;
  StartModules();
  RegisterDesktopModule();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Zelvor Sumbra");
  QApplication::setOrganizationName("Zelvor");
  TSingleInstance single;
  if (!single.Acquire()) {
    // The instance that runs serves the bus too; a start for the bus has nothing to show.
    if (!automation) TSingleInstance::ActivateOther();
    StopModules();
    return 0;
  }
  BindMainLoopToQt();
  int code = 0;
  {
    auto window = std::make_unique<TMainWindow>();
    TAutomationServer automationServer(nullptr);
    automationServer.Start();
    if (!automation) window->show();
    code = QApplication::exec();
    window->SaveJobList();
    EndProgram();
  }
  UnbindMainLoopFromQt();
  StopModules();
  return code;
}

} // namespace zs::ui
