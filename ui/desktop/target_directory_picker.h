// The picker of a job's target directory: a save dialog of the desktop's file dialog used to
// choose a folder. Its file name is hidden and kept at a name that is no folder, so that OK
// takes the folder shown; a folder that already holds a job is confirmed first.
#pragma once

#include <QFileDialog>

#include "kernel/interfaces.h"

namespace zs::ui {

// "My Site", or "My Site" followed by the first of 0, 1, 2, ... that names no folder in Dir.
QString UnusedSiteFolderName(const QString &Dir);

class TTargetDirectoryPicker : public QFileDialog {
  Q_OBJECT
public:
  TTargetDirectoryPicker(QWidget *Parent, const QString &StartDir);

  // The folder chosen, once accepted.
  QString ChosenDirectory() const;
  // The definition of the job found in the chosen folder, when the user chose to take it.
  const std::optional<TJobRequestDef> &FoundJob() const { return foundJob_; }

  void accept() override;

private:
  void keepHiddenName();

  std::optional<TJobRequestDef> foundJob_;
};

} // namespace zs::ui
