#include "ui/desktop/dialogs.h"

namespace zs::ui {

bool ExecuteNewJobDialog(QWidget *, IJobRequest *) { throw EInternalError(); }
void ExecuteEditJobDialog(QWidget *, IJobRequest *, bool) { throw EInternalError(); }
void ExecuteOptionsDialog(QWidget *) { throw EInternalError(); }

} // namespace zs::ui
