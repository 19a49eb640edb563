// One program per user: an exclusive lock on a file named after the main window stands for
// the named mutex, and a local socket beside it for finding the window of the instance that
// runs and asking it to come forward.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "platform/file_lock.h"

class QLocalServer;

namespace zs::ui {

class TSingleInstance : public QObject {
  Q_OBJECT
public:
  TSingleInstance();
  ~TSingleInstance() override;

  // True when no other instance runs: the lock is held and the socket takes activation
  // requests, each posted to the main thread as the window's activation message.
  bool Acquire();
  // Asks the instance that runs to come forward: up to 300 tries 100 ms apart, while it may
  // still be starting. False when it could not be reached.
  static bool ActivateOther();

private:
  static std::string baseName();
  std::unique_ptr<platform::TFileLock> lock_;
  QLocalServer *server_ = nullptr;
};

} // namespace zs::ui
