#include "ui/desktop/target_directory_picker.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>

#include "platform/safecall.h"
#include "ui/common/job_description_file.h"

namespace zs::ui {

using platform::OleCheck;

namespace {

std::string jobDescriptionFileName() {
  std::string name;
  OleCheck(GetProfiler()->get_JobDescriptionFileName(&name));
  return name;
}

} // namespace

QString UnusedSiteFolderName(const QString &Dir) {
  const QDir dir(Dir);
  QString name = "My Site";
  for (int number = 0; dir.exists(name); ++number)
    name = "My Site" + QString::number(number);
  return name;
}

TTargetDirectoryPicker::TTargetDirectoryPicker(QWidget *Parent, const QString &StartDir)
    : QFileDialog(Parent, tr("Select target directory")) {
  setObjectName("TargetDirectoryPicker");
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setNameFilters({tr("Job Description files (*.&JD)"), tr("All files (*)")});
  setDefaultSuffix("&JD");
  setLabelText(QFileDialog::Accept, tr("OK"));
  if (!StartDir.isEmpty() && QDir(StartDir).exists()) setDirectory(StartDir);
  for (const char *name : {"fileTypeLabel", "fileTypeCombo", "fileNameLabel", "fileNameEdit"})
    if (QWidget *part = findChild<QWidget *>(name)) part->hide();
  connect(this, &QFileDialog::directoryEntered, this, [this] { keepHiddenName(); });
  connect(this, &QFileDialog::currentChanged, this, [this] { keepHiddenName(); });
  keepHiddenName();
}

void TTargetDirectoryPicker::keepHiddenName() {
  if (auto *name = findChild<QLineEdit *>("fileNameEdit"))
    name->setText(UnusedSiteFolderName(directory().absolutePath()));
}

QString TTargetDirectoryPicker::ChosenDirectory() const {
  const QStringList files = selectedFiles();
  return files.isEmpty() ? directory().absolutePath() : QFileInfo(files.front()).absolutePath();
}

void TTargetDirectoryPicker::accept() {
  keepHiddenName();
  const std::string file = QDir(directory().absolutePath())
                               .filePath(QString::fromStdString(jobDescriptionFileName()))
                               .toStdString();
  foundJob_.reset();
  if (QFileInfo::exists(QString::fromStdString(file))) {
    const auto answer = QMessageBox::question(
        this, windowTitle(),
        tr("There is a Job found in this place. Would you like it to be replaced with a new one?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    if (ComPtr<IJobRequest> found = ReadJobDescription(file)) {
      foundJob_.emplace();
      OleCheck(found->AsRecDef(&*foundJob_));
    } else {
      QMessageBox::information(
          this, windowTitle(),
          tr("Cannot load Job from file \"%1\". Possible, it was corrupted.\r\nSo, you can use "
             "this path for other Job.")
              .arg(QString::fromStdString(file)));
    }
  }
  QFileDialog::accept();
}

} // namespace zs::ui
