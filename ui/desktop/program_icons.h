// The program's own icons (ui/desktop/icons), by what they stand for.
#pragma once

#include <QIcon>
#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

// The images of the job list and the directory tree, numbered as the window numbers them:
// 0 to 2 a job by its state, 3 a host, 4 a directory, 5 to 7 a file waiting, copied, failed.
QIcon ImageIcon(int Image);
int JobStateImage(TJobState State);
int FileStateImage(TLinkState State);
// The tool bar image of an action; a null icon for an action without one.
QIcon ActionIcon(const std::string &ActionName);
QIcon ApplicationIcon();

} // namespace zs::ui
