// The update controller on the session bus: "/UpdateController", interface
// "org.zelvor.Sumbra.UpdateController".
#pragma once

#include <QDBusContext>
#include <QObject>

#include "kernel/interfaces.h"

namespace zs::ui {

class TBusUpdateController : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zelvor.Sumbra.UpdateController")
public:
  explicit TBusUpdateController(QObject *Parent);

public Q_SLOTS:
  // The program's version as major * 65536 + minor.
  int GetVersion();
  // A module's version as major * 65536 + minor; 0 for a module that is not there.
  int GetModuleVersion(const QString &ModuleName);
  // Hands over an update file; a URL that no update job could fetch is refused at once.
  void AddUpdateFile(const QString &URL);

private:
  ComPtr<IUpdateController> controller_;
};

} // namespace zs::ui
