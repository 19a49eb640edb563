#include "ui/desktop/job_properties_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/safecall.h"
#include "ui/common/job_form_rules.h"
#include "ui/desktop/call_out.h"
#include "ui/desktop/dialog_parts.h"
#include "ui/desktop/dialogs.h"
#include "ui/desktop/target_directory_picker.h"
#include "ui/desktop/up_down_edit.h"

namespace zs::ui {

using platform::OleCheck;

namespace {

constexpr int defaultDownLevel = 5;
constexpr const char *defaultIndexName = "index.htm";
constexpr const char *anySitesAllowed = "<< any sites allowed >>";
constexpr const char *willBeDetected = "<< will be detected >>";

std::string text(const QLineEdit *Edit) { return Edit->text().toStdString(); }

// The one dialog of Parent, made on first use.
TJobPropertiesDialog *dialogOf(QWidget *Parent) {
  auto *dialog = Parent->findChild<TJobPropertiesDialog *>({}, Qt::FindDirectChildrenOnly);
  return dialog ? dialog : new TJobPropertiesDialog(Parent);
}

} // namespace

TJobPropertiesDialog::TJobPropertiesDialog(QWidget *Parent)
    : QDialog(Parent), pages_(new QTabWidget), browsableCopy_(new QRadioButton),
      exactCopy_(new QRadioButton), pageURL_(new QLineEdit), allowLinksInsideOnly_(new QCheckBox),
      siteURL_(new QLineEdit), limitDownLevel_(new QCheckBox),
      downLevel_(new TUpDownEdit(0, 32767, nullptr)), targetDirectory_(new QLineEdit),
      browse_(new QToolButton), indexName_(new QLineEdit), autodetectIndexName_(new QCheckBox),
      title_(new QLineEdit) {
  setObjectName("JobPropertiesDialog");
  auto *webSource = new QWidget;
  buildWebSourcePage(webSource);
  pages_->addTab(webSource, tr("&Web Source"));
  auto *localAppearance = new QWidget;
  buildLocalAppearancePage(localAppearance);
  pages_->addTab(localAppearance, tr("Local &Appearance"));

  okButton_ = LayOutFormDialog(this, pages_, [this] { return helpTopic_; });
  callOut_ = new TCallOut(this);

  connect(browsableCopy_, &QRadioButton::clicked, this, [this] { proposeTitle(); });
  connect(exactCopy_, &QRadioButton::clicked, this, [this] { proposeTitle(); });
  connect(pageURL_, &QLineEdit::textChanged, this, [this] { pageURLChanged(); });
  connect(allowLinksInsideOnly_, &QCheckBox::clicked, this,
          [this] { allowLinksInsideOnlyClicked(); });
  connect(siteURL_, &QLineEdit::textEdited, this, [this](const QString &typed) {
    siteTouched_ = true;
    savedSiteURL_ = typed;
    proposeTitle();
  });
  connect(limitDownLevel_, &QCheckBox::clicked, this, [this] {
    depthTouched_ = true;
    limitDownLevelClicked();
  });
  connect(autodetectIndexName_, &QCheckBox::clicked, this,
          [this] { autodetectIndexNameClicked(); });
  connect(title_, &QLineEdit::textEdited, this, [this] { titleTouched_ = true; });
  connect(browse_, &QToolButton::clicked, this, [this] { browseTargetDirectory(); });
}

void TJobPropertiesDialog::buildWebSourcePage(QWidget *Page) {
  browsableCopy_->setObjectName("BrowsableCopy");
  browsableCopy_->setText(tr("&Browsable copy (adjust links, if necessary)"));
  exactCopy_->setObjectName("ExactCopy");
  exactCopy_->setText(tr("&Exact copy (save the site as it is)"));
  auto *copyType = new QGroupBox(tr(" You want this site to apper on your drive as "));
  auto *copyTypeLayout = new QVBoxLayout(copyType);
  copyTypeLayout->addWidget(browsableCopy_);
  copyTypeLayout->addWidget(exactCopy_);

  pageURL_->setObjectName("PageURL");
  allowLinksInsideOnly_->setObjectName("AllowLinksInsideOnly");
  allowLinksInsideOnly_->setText(tr("All&ow only links are within this site:"));
  siteURL_->setObjectName("SiteURL");
  limitDownLevel_->setObjectName("LimitDownLevel");
  limitDownLevel_->setText(tr("Limit links walk &depth by"));
  downLevel_->setObjectName("DownLevel");
  downLevel_->Edit()->setObjectName("DLEdit");
  auto *findFiles = new QGroupBox(tr(" How to find files, you need "));
  auto *findLayout = new QVBoxLayout(findFiles);
  findLayout->addWidget(LabelFor(tr("Begin from this &URL:"), pageURL_));
  findLayout->addWidget(pageURL_);
  findLayout->addWidget(allowLinksInsideOnly_);
  findLayout->addWidget(siteURL_);
  auto *depth = new QHBoxLayout;
  depth->addWidget(limitDownLevel_);
  depth->addWidget(downLevel_);
  depth->addWidget(LabelFor(tr("&levels"), downLevel_->Edit()));
  depth->addStretch();
  findLayout->addLayout(depth);

  auto *layout = new QVBoxLayout(Page);
  layout->addWidget(copyType);
  layout->addWidget(findFiles);
  layout->addStretch();
}

void TJobPropertiesDialog::buildLocalAppearancePage(QWidget *Page) {
  targetDirectory_->setObjectName("TargetDirectory");
  browse_->setObjectName("Browse");
  browse_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  browse_->setToolTip(tr("Browse"));
  indexName_->setObjectName("IndexName");
  autodetectIndexName_->setObjectName("AutodetectIN");
  autodetectIndexName_->setText(tr("Autod&etect"));
  auto *place = new QGroupBox(tr(" Place, where you want to meet these files "));
  auto *placeLayout = new QGridLayout(place);
  placeLayout->addWidget(LabelFor(tr("&Target directory:"), targetDirectory_), 0, 0);
  auto *directory = new QHBoxLayout;
  directory->addWidget(targetDirectory_);
  directory->addWidget(browse_);
  placeLayout->addLayout(directory, 0, 1);
  placeLayout->addWidget(LabelFor(tr("&Index file name:"), indexName_), 1, 0);
  auto *index = new QHBoxLayout;
  index->addWidget(indexName_);
  index->addWidget(autodetectIndexName_);
  placeLayout->addLayout(index, 1, 1);

  title_->setObjectName("Title");
  auto *title = new QGroupBox(tr(" Job display &Title "));
  auto *titleLayout = new QVBoxLayout(title);
  titleLayout->addWidget(title_);

  auto *layout = new QVBoxLayout(Page);
  layout->addWidget(place);
  layout->addWidget(title);
  layout->addStretch();
}

bool TJobPropertiesDialog::ExecuteNew(IJobRequest *Request) {
  TJobRequestDef def;
  OleCheck(GetProfiler()->GetDefaultJobRequest(&def));
  return execute(Request, def, tr("New Job"), 18, false, false);
}

bool TJobPropertiesDialog::ExecuteEdit(IJobRequest *Request, bool IsUpdate) {
  TJobRequestDef def;
  OleCheck(Request->AsRecDef(&def));
  // A job's own values are all the person's: nothing proposed replaces them.
  return execute(Request, def, IsUpdate ? tr("Job Propeties: Read Only") : tr("Job Propeties"), 19,
                 true, IsUpdate);
}

bool TJobPropertiesDialog::execute(IJobRequest *Request, const TJobRequestDef &Def,
                                   const QString &Caption, int HelpTopic, bool Touched,
                                   bool ReadOnly) {
  setWindowTitle(Caption);
  request_ = ComPtr<IJobRequest>(Request);
  helpTopic_ = HelpTopic;
  setTouched(Touched);
  setReadOnly(ReadOnly);
  loadDefinition(Def);
  callOut_->Dismiss();
  pages_->setCurrentIndex(0);
  QWidget *checked = exactCopy_->isChecked() ? exactCopy_ : browsableCopy_;
  if (checked->isEnabled())
    checked->setFocus();
  else
    pages_->setFocus();
  const bool confirmed = exec() == QDialog::Accepted;
  callOut_->Dismiss();
  request_ = nullptr;
  return confirmed;
}

void TJobPropertiesDialog::setTouched(bool Touched) {
  depthTouched_ = titleTouched_ = siteTouched_ = Touched;
}

void TJobPropertiesDialog::setReadOnly(bool ReadOnly) {
  readOnly_ = ReadOnly;
  for (QLineEdit *edit : {pageURL_, siteURL_, targetDirectory_, indexName_, title_})
    edit->setReadOnly(ReadOnly);
  downLevel_->SetReadOnly(ReadOnly);
  for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
           browsableCopy_, exactCopy_, allowLinksInsideOnly_, limitDownLevel_, autodetectIndexName_,
           browse_, okButton_})
    button->setEnabled(!ReadOnly);
}

void TJobPropertiesDialog::loadDefinition(const TJobRequestDef &Def) {
  title_->setText(QString::fromStdString(Def.Title));
  (Def.CopyType == ctExact ? exactCopy_ : browsableCopy_)->setChecked(true);
  pageURL_->setText(QString::fromStdString(Def.PageURL));
  allowLinksInsideOnly_->setChecked(!Def.AllowLinksAway);
  savedSiteURL_ = QString::fromStdString(Def.SiteURL);
  allowLinksInsideOnlyClicked();
  limitDownLevel_->setChecked(Def.DownLevel != -1);
  limitDownLevelClicked();
  downLevel_->SetPosition(Def.DownLevel == -1 ? defaultDownLevel : Def.DownLevel);
  savedIndexName_ =
      Def.IndexName.empty() ? defaultIndexName : QString::fromStdString(Def.IndexName);
  indexName_->setText(savedIndexName_);
  autodetectIndexName_->setChecked(Def.IndexName.empty());
  autodetectIndexNameClicked();
  targetDirectory_->setText(QString::fromStdString(Def.ProjectDir));
}

TJobRequestDef TJobPropertiesDialog::ReadDefinition() const {
  TJobRequestDef def;
  def.Title = text(title_);
  def.CopyType = exactCopy_->isChecked() ? ctExact : ctBrowsable;
  def.DownLevel = limitDownLevel_->isChecked() ? downLevel_->Position() : -1;
  def.IndexName = autodetectIndexName_->isChecked() ? std::string() : Trimmed(text(indexName_));
  def.PageURL = CompleteTypedURL(Trimmed(text(pageURL_)));
  def.AllowLinksAway = !allowLinksInsideOnly_->isChecked();
  def.SiteURL = def.AllowLinksAway ? std::string() : CompleteTypedURL(Trimmed(text(siteURL_)));
  def.ProjectDir = Trimmed(text(targetDirectory_));
  return def;
}

// Proposals ------------------------------------------------------------------------------------

void TJobPropertiesDialog::allowLinksInsideOnlyClicked() {
  const bool inside = allowLinksInsideOnly_->isChecked();
  siteURL_->setEnabled(inside);
  siteURL_->setText(inside ? savedSiteURL_ : tr(anySitesAllowed));
  if (inside && isVisible()) siteURL_->setFocus();
  // A job that may leave the site gets a depth limit, unless the person chose one.
  if (!depthTouched_) {
    limitDownLevel_->setChecked(!inside);
    limitDownLevelClicked();
  }
  proposeTitle();
}

void TJobPropertiesDialog::limitDownLevelClicked() {
  downLevel_->setEnabled(limitDownLevel_->isChecked());
}

void TJobPropertiesDialog::autodetectIndexNameClicked() {
  const bool detect = autodetectIndexName_->isChecked();
  indexName_->setEnabled(!detect);
  if (detect) {
    savedIndexName_ = indexName_->text();
    indexName_->setText(tr(willBeDetected));
  } else {
    indexName_->setText(savedIndexName_);
    if (isVisible()) indexName_->setFocus();
  }
}

void TJobPropertiesDialog::pageURLChanged() {
  if (!siteTouched_) {
    savedSiteURL_ = QString::fromStdString(ProposedSiteURL(text(pageURL_)));
    if (allowLinksInsideOnly_->isChecked()) siteURL_->setText(savedSiteURL_);
  }
  proposeTitle();
}

void TJobPropertiesDialog::proposeTitle() {
  if (titleTouched_) return;
  title_->setText(QString::fromStdString(ProposedTitle(browsableCopy_->isChecked(),
                                                       allowLinksInsideOnly_->isChecked(),
                                                       text(siteURL_), text(pageURL_))));
}

// The target directory ---------------------------------------------------------------------------

void TJobPropertiesDialog::browseTargetDirectory() {
  TTargetDirectoryPicker picker(this, targetDirectory_->text().trimmed());
  if (picker.exec() != QDialog::Accepted) return;
  if (const std::optional<TJobRequestDef> &found = picker.FoundJob()) {
    // The job found there is taken as it is, the person's own values.
    setTouched(true);
    loadDefinition(*found);
  }
  targetDirectory_->setText(picker.ChosenDirectory());
  targetDirectory_->setFocus();
}

// OK -------------------------------------------------------------------------------------------

QWidget *TJobPropertiesDialog::controlOfField(int32_t Field) const {
  switch (Field) {
  case 1: return title_;
  case 2: return exactCopy_;
  case 3: return downLevel_->Edit();
  case 4: return indexName_;
  case 5: return pageURL_;
  case 6: return siteURL_;
  case 8: return targetDirectory_;
  default: return nullptr;
  }
}

void TJobPropertiesDialog::accept() {
  if (readOnly_) return;
  const TJobRequestDef def = ReadDefinition();
  std::string message;
  if (const int32_t field = ValidateJobRequestDef(def, request_.get(), message)) {
    if (QWidget *control = controlOfField(field))
      callOut_->Point(control, QString::fromStdString(message));
    return;
  }
  if (RunOrShowError(this, [&] { OleCheck(request_->Change(def)); })) QDialog::accept();
}

// The window's entry points ---------------------------------------------------------------------

bool ExecuteNewJobDialog(QWidget *Parent, IJobRequest *Request) {
  return dialogOf(Parent)->ExecuteNew(Request);
}

void ExecuteEditJobDialog(QWidget *Parent, IJobRequest *Request, bool ReadOnly) {
  dialogOf(Parent)->ExecuteEdit(Request, ReadOnly);
}

} // namespace zs::ui
