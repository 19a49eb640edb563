// The automation service: the program's objects on the session bus under the name
// "org.zelvor.Sumbra", for scripts and other programs. Only the one running instance of the
// program serves it.
#pragma once

#include <QDBusContext>
#include <QObject>

namespace zs::ui {

// The program itself: "/Program", interface "org.zelvor.Sumbra.Program".
class TBusProgram : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zelvor.Sumbra.Program")
public:
  explicit TBusProgram(QObject *Parent) : QObject(Parent) {}

public Q_SLOTS:
  // The window comes forward (shown when it was hidden).
  void Show();
  // The program ends as its Exit command ends it: the job list is kept.
  void Quit();
};

class TAutomationServer : public QObject {
  Q_OBJECT
public:
  explicit TAutomationServer(QObject *Parent);
  ~TAutomationServer() override;

  // Exports the objects and takes the service name; false, and nothing served, when there
  // is no session bus or another program holds the name.
  bool Start();

private:
  bool started_ = false;
};

} // namespace zs::ui
