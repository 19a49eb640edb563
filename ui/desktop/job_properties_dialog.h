// The job properties dialog: the one form in which a job request is entered or edited. It
// proposes the site bound, the title and a depth limit while the person types, and checks
// the result with the request's own validation before it is applied.
#pragma once

#include <QDialog>

#include "kernel/interfaces.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace zs::ui {

class TCallOut;
class TUpDownEdit;

class TJobPropertiesDialog : public QDialog {
  Q_OBJECT
public:
  explicit TJobPropertiesDialog(QWidget *Parent);

  // A new job: the settings' default request, nothing touched yet. True when confirmed; the
  // request then holds the values entered.
  bool ExecuteNew(IJobRequest *Request);
  // A job of the list: its values, all counted as the user's own; read-only for an update job.
  bool ExecuteEdit(IJobRequest *Request, bool IsUpdate);

  // The form's values as a definition.
  TJobRequestDef ReadDefinition() const;

  void accept() override;

private:
  void buildWebSourcePage(QWidget *Page);
  void buildLocalAppearancePage(QWidget *Page);
  bool execute(IJobRequest *Request, const TJobRequestDef &Def, const QString &Caption,
               int HelpTopic, bool Touched, bool ReadOnly);
  void loadDefinition(const TJobRequestDef &Def);
  void setReadOnly(bool ReadOnly);
  void setTouched(bool Touched);

  void allowLinksInsideOnlyClicked();
  void limitDownLevelClicked();
  void autodetectIndexNameClicked();
  void pageURLChanged();
  void proposeTitle();
  void browseTargetDirectory();
  QWidget *controlOfField(int32_t Field) const;

  ComPtr<IJobRequest> request_;
  bool readOnly_ = false;
  bool depthTouched_ = false;
  bool titleTouched_ = false;
  bool siteTouched_ = false;
  QString savedSiteURL_;
  QString savedIndexName_;
  int helpTopic_ = 18;

  QTabWidget *pages_;
  QRadioButton *browsableCopy_;
  QRadioButton *exactCopy_;
  QLineEdit *pageURL_;
  QCheckBox *allowLinksInsideOnly_;
  QLineEdit *siteURL_;
  QCheckBox *limitDownLevel_;
  TUpDownEdit *downLevel_;
  QLineEdit *targetDirectory_;
  QAbstractButton *browse_;
  QLineEdit *indexName_;
  QCheckBox *autodetectIndexName_;
  QLineEdit *title_;
  QAbstractButton *okButton_;
  TCallOut *callOut_;
};

} // namespace zs::ui
