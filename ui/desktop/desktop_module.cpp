#include "ui/desktop/desktop_module.h"

#include <QtGlobal>

#include "kernel/interfaces.h"
#include "ui/desktop/get_file_events_ui.h"
#include "ui/desktop/get_site_events.h"
#include "ui/desktop/main_window.h"
#include "ui/desktop/qt_main_loop.h"

// The icons are compiled into this library, which a program links statically: their
// resource is registered by hand. Outside any namespace, as Qt's macro needs it.
static void initIconResource() { Q_INIT_RESOURCE(icons); }

namespace zs::ui {

namespace {

void showErrorBox(const std::string &Text) {
  if (TMainWindow *window = TMainWindow::Instance()) window->ShowError(Text);
}

} // namespace

void RegisterDesktopModule() {
  initIconResource();
  CreateDefaultGetSiteEvents.Fill(&NewGetSiteEvents);
  CreateGetFileEventsUI.Fill(&NewGetFileEventsUI);
  ShowErrorBox.Fill(&showErrorBox);
  WaitWhilePumping.Fill(&WaitWhilePumpingQt);
}

} // namespace zs::ui
