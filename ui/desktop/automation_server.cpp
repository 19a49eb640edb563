#include "ui/desktop/automation_server.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include "ui/common/automation_names.h"
#include "ui/desktop/bus_job_queue.h"
#include "ui/desktop/bus_settings.h"
#include "ui/desktop/bus_update_controller.h"
#include "ui/desktop/main_window.h"

namespace zs::ui {

void TBusProgram::Show() {
  if (TMainWindow *window = TMainWindow::Instance()) window->Activate();
}

void TBusProgram::Quit() {
  // After the reply has gone.
  QMetaObject::invokeMethod(qApp, &QApplication::quit, Qt::QueuedConnection);
}

TAutomationServer::TAutomationServer(QObject *Parent) : QObject(Parent) {}

TAutomationServer::~TAutomationServer() {
  if (!started_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(AutomationServiceName);
  for (const char *path : {"/Program", UpdateControllerPath, "/JobQueue", "/Settings"})
    bus.unregisterObject(path);
}

bool TAutomationServer::Start() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  RegisterBusTypes();
  constexpr auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals;
  bus.registerObject("/Program", new TBusProgram(this), exported);
  bus.registerObject(UpdateControllerPath, new TBusUpdateController(this), exported);
  bus.registerObject("/JobQueue", new TBusJobQueue(this), exported);
  bus.registerObject("/Settings", new TBusSettings(this), exported);
  started_ = bus.registerService(AutomationServiceName);
  return started_;
}

} // namespace zs::ui
