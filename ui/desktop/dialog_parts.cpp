#include "ui/desktop/dialog_parts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <string>

#include "kernel/interfaces.h"
#include "ui/desktop/help_topics.h"

namespace zs::ui {

QAbstractButton *LayOutFormDialog(QDialog *Dialog, QTabWidget *Pages,
                                  std::function<int()> HelpTopic) {
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton *help = buttons->addButton(QDialog::tr("&Help"), QDialogButtonBox::HelpRole);
  help->setAutoDefault(false);
  QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, Dialog, &QDialog::reject);
  QObject::connect(help, &QPushButton::clicked, Dialog, [Dialog, HelpTopic] {
    RunOrShowError(Dialog, [&] { ShowHelpTopic(HelpTopic()); });
  });
  auto *layout = new QVBoxLayout(Dialog);
  Pages->setMinimumWidth(480);
  layout->addWidget(Pages);
  layout->addWidget(buttons);
  return buttons->button(QDialogButtonBox::Ok);
}

QLabel *LabelFor(const QString &Caption, QWidget *Buddy) {
  auto *label = new QLabel(Caption);
  label->setBuddy(Buddy);
  return label;
}

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
