// The settings on the session bus: "/Settings", interface "org.zelvor.Sumbra.Settings". A
// setting is read and written by its name; every change is announced, whoever made it.
#pragma once

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

#include "kernel/interfaces.h"

namespace zs::ui {

class TBusSettings : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zelvor.Sumbra.Settings")
public:
  explicit TBusSettings(QObject *Parent);
  ~TBusSettings() override;

public Q_SLOTS:
  QDBusVariant GetParam(const QString &Name);
  // The value must be of the setting's own type (integer, Boolean or string).
  void SetParam(const QString &Name, const QDBusVariant &Value);

Q_SIGNALS:
  void ParamChanged(const QString &Name, const QDBusVariant &Value);

private:
  int32_t advice_ = 0;
};

} // namespace zs::ui
