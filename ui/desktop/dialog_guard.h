// What a dialog does with a step that fails: the error goes to a message box over the dialog,
// which stays open with the person's values.
#pragma once

#include <functional>

class QWidget;

namespace zs::ui {

// Runs Step; true when it ran through, false when it raised an error (then shown over Dialog).
bool RunOrShowError(QWidget *Dialog, const std::function<void()> &Step);

} // namespace zs::ui
