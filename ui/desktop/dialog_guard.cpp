#include "ui/desktop/dialog_guard.h"

#include <QMessageBox>
#include <QWidget>
#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

bool RunOrShowError(QWidget *Dialog, const std::function<void()> &Step) {
  try {
    Step();
    return true;
  } catch (...) {
    std::string source, message;
    ExceptionToText(std::current_exception(), source, message);
    QMessageBox::critical(Dialog, Dialog->windowTitle(), QString::fromStdString(message));
    return false;
  }
}

} // namespace zs::ui
