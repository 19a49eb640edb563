// The window's dialogs, each opened modal over Parent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kernel/interfaces.h"

class QWidget;

namespace zs::ui {

// The job properties dialog for a new job: true when the user confirmed it, and Request then
// holds the definition entered.
bool ExecuteNewJobDialog(QWidget *Parent, IJobRequest *Request);
// The job properties dialog for a job of the list; read-only for an update job.
void ExecuteEditJobDialog(QWidget *Parent, IJobRequest *Request, bool ReadOnly);
// The options dialog: the program's settings.
void ExecuteOptionsDialog(QWidget *Parent);
// The tool bar customisation: Available names the actions that may be on the tool bar,
// Current the layout as it is (names and "-", separated by commas). The new layout, or
// nothing when the user cancelled.
std::optional<std::string> ExecuteToolBarDialog(QWidget *Parent,
                                                const std::vector<std::string> &Available,
                                                const std::string &Current);

} // namespace zs::ui
