#include "ui/desktop/desktop_app.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "ui/common/manual_page.h"
#include "ui/common/program_cycle.h"
#include "ui/desktop/automation_server.h"
#include "ui/desktop/desktop_module.h"
#include "ui/desktop/main_window.h"
#include "ui/desktop/qt_main_loop.h"
#include "ui/desktop/single_instance.h"

namespace zs::ui {

namespace {

const char *const usage = "ZelvorSumbra [--automation | --help | --manual]";
const char *const description =
    "Zelvor Sumbra copies web sites for reading offline. This is its desktop program: the\n"
    "job list, each job's folders of links and its log, and the dialogs to enter a job and\n"
    "to change the settings. It shares the job list and the settings with zsumbra(1). One\n"
    "program runs per user: a second start brings the running window forward and ends.\n"
    "The program serves other programs on the session bus as org.zelvor.Sumbra.";
const char *const options =
    "--automation\n"
    "  Starts with the window hidden, serving the session bus (the bus starts the program\n"
    "  so when a caller needs it).\n"
    "--help\n"
    "  Prints this help.\n"
    "--manual\n"
    "  Prints the manual page.";

TManualPage manual() {
  return {"ZelvorSumbra",
          "the desktop program of Zelvor Sumbra, a site copier",
          usage,
          description,
          {{"OPTIONS", options}, {"SEE ALSO", "zsumbra(1)"}}};
}

} // namespace

int RunDesktop(int argc, char **argv) {
  bool automation = false;
  for (int i = 1; i < argc; ++i) {
    automation = automation || std::strcmp(argv[i], "--automation") == 0;
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("Usage: %s\n%s\n%s\n", usage, description, options);
      return 0;
    }
    if (std::strcmp(argv[i], "--manual") == 0) {
      std::printf("%s", ManualPageText(manual()).c_str());
      return 0;
    }
  }
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
