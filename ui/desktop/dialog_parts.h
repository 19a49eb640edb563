// What the program's form dialogs share: their frame of pages above OK, Cancel and "&Help",
// labels that lead to their control, and what a step that fails does.
#pragma once

#include <functional>

class QAbstractButton;
class QDialog;
class QLabel;
class QString;
class QTabWidget;
class QWidget;

namespace zs::ui {

// Lays Pages out above OK, Cancel and "&Help" (which opens the topic HelpTopic names at the
// time); OK calls the dialog's accept, Cancel and Escape reject. The OK button.
QAbstractButton *LayOutFormDialog(QDialog *Dialog, QTabWidget *Pages,
                                  std::function<int()> HelpTopic);

// A label whose accelerator leads to Buddy.
QLabel *LabelFor(const QString &Caption, QWidget *Buddy);

// Runs Step; true when it ran through, false when it raised an error (then shown over Dialog,
// which stays open with the person's values).
bool RunOrShowError(QWidget *Dialog, const std::function<void()> &Step);

} // namespace zs::ui
