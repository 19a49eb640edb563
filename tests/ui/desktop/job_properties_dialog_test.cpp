// The job properties dialog as a person fills it in, opened from the window's commands.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "platform/class_table.h"
#include "tests/kernel/kernel_test_support.h"
#include "tests/ui/desktop/desktop_test_support.h"
#include "ui/desktop/call_out.h"
#include "ui/desktop/dialogs.h"
#include "ui/desktop/get_site_events.h"
#include "ui/desktop/job_properties_dialog.h"
#include "ui/desktop/target_directory_picker.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;
using ui::TJobPropertiesDialog;

class JobPropertiesDialogTest : public DesktopTest {
protected:
  // Runs Steps on the job properties dialog that Command opens, then closes it; the boxes
  // that open meanwhile are answered and their texts kept in Boxes.
  void onDialog(const std::function<void()> &Command, const std::function<void()> &Steps) {
    bool ran = false;
    TModalAnswers answers([&](QWidget *modal) {
      dialog = qobject_cast<TJobPropertiesDialog *>(modal);
      if (!dialog || ran) {
        modal->close();
        return;
      }
      ran = true;
      TModalAnswers boxes([](QWidget *) {});
      Steps();
      Boxes = boxes.Texts();
      if (dialog->isVisible()) dialog->reject();
    });
    Command();
    EXPECT_TRUE(ran);
  }
  template <class T = QLineEdit> T *control(const char *name) const {
    return dialog->findChild<T *>(name);
  }
  std::string textOf(const char *name) const { return control(name)->text().toStdString(); }
  void type(const char *name, const QString &text) {
    control(name)->clear();
    QTest::keyClicks(control(name), text);
  }
  void click(const char *name) { control<QAbstractButton>(name)->click(); }
  bool checked(const char *name) const { return control<QAbstractButton>(name)->isChecked(); }
  ui::TCallOut *callOut() const { return dialog->findChild<ui::TCallOut *>("CallOut"); }
  int page() const { return dialog->findChild<QTabWidget *>()->currentIndex(); }

  TJobPropertiesDialog *dialog = nullptr;
  std::vector<std::string> Boxes;
};

TEST_F(JobPropertiesDialogTest, ProposalsFollowTheTypingUntilThePersonTypesOwnValues) {
  onDialog([&] { trigger("ListAddNew"); },
           [&] {
             EXPECT_EQ(dialog->windowTitle(), "New Job");
             EXPECT_TRUE(checked("BrowsableCopy"));
             EXPECT_TRUE(control<QRadioButton>("BrowsableCopy")->hasFocus());
             type("PageURL", "example.org/docs/index.html");
             EXPECT_EQ(textOf("SiteURL"), "http://example.org/docs/");
             EXPECT_EQ(textOf("Title"), "Browsable copy of http://example.org/docs/");
             EXPECT_FALSE(checked("LimitDownLevel"));

             click("AllowLinksInsideOnly");
             EXPECT_EQ(textOf("SiteURL"), "<< any sites allowed >>");
             EXPECT_FALSE(control("SiteURL")->isEnabled());
             EXPECT_TRUE(checked("LimitDownLevel"));
             EXPECT_TRUE(control("DLEdit")->isEnabled());
             EXPECT_EQ(textOf("Title"), "Browsable copy from http://example.org/docs/index.html");
             click("ExactCopy");
             EXPECT_EQ(textOf("Title"), "Exact copy from http://example.org/docs/index.html");

             // A depth limit the person chose stays; a title typed stays.
             click("LimitDownLevel");
             type("Title", "Docs");
             click("AllowLinksInsideOnly");
             EXPECT_EQ(textOf("SiteURL"), "http://example.org/docs/");
             EXPECT_FALSE(checked("LimitDownLevel"));
             EXPECT_EQ(textOf("Title"), "Docs");
             // So does a site bound typed, and it comes back after links were let out and in again.
             type("SiteURL", "example.org");
             type("PageURL", "/srv/other/index.html");
             EXPECT_EQ(textOf("SiteURL"), "example.org");
             click("AllowLinksInsideOnly");
             click("AllowLinksInsideOnly");
             EXPECT_EQ(textOf("SiteURL"), "example.org");

             EXPECT_EQ(textOf("IndexName"), "<< will be detected >>");
             click("AutodetectIN");
             EXPECT_EQ(textOf("IndexName"), "index.htm");
             type("IndexName", " main.html ");
             click("AutodetectIN");
             EXPECT_EQ(textOf("IndexName"), "<< will be detected >>");
             EXPECT_EQ(dialog->ReadDefinition().IndexName, "");
             click("AutodetectIN");

             const TJobRequestDef def = dialog->ReadDefinition();
             EXPECT_EQ(def.PageURL, "file:///srv/other/index.html");
             EXPECT_EQ(def.SiteURL, "http://example.org");
             EXPECT_EQ(def.IndexName, "main.html");
             EXPECT_EQ(def.CopyType, ctExact);
             EXPECT_EQ(def.DownLevel, -1);
           });
  EXPECT_EQ(titles(), std::vector<std::string>{});
}

TEST_F(JobPropertiesDialogTest, AJobOpensWithItsOwnValuesAndAnUpdateJobCannotBeChanged) {
  ComPtr<IGetSiteJob> job = addJob("club", localSite("club"));
  select({0});
  onDialog([&] { trigger("JobProperties"); },
           [&] {
             EXPECT_EQ(dialog->windowTitle(), "Job Propeties");
             EXPECT_FALSE(checked("LimitDownLevel"));
             EXPECT_EQ(textOf("DLEdit"), "5");
             const QString page = control("PageURL")->text();
             type("PageURL", "example.org/");
             EXPECT_EQ(textOf("Title"), "club");
             // What decides the files already made stays as it is.
             dialog->accept();
             EXPECT_TRUE(dialog->isVisible());
             control("PageURL")->setText(page);
             type("Title", "Club pages");
             dialog->accept();
           });
  EXPECT_EQ(Boxes, std::vector<std::string>{"Sorry, this feature is not yet implemented"});
  EXPECT_EQ(titles(), std::vector<std::string>{"Club pages"});

  // The program's update job, handed over by an outside caller, cannot be changed.
  static std::string vendorSite;
  vendorSite = "file://" + temp.Path();
  ScopedFake<TURL()> site(UpdateSiteURL, [] { return TURL(vendorSite); });
  OleCheck(platform::CreateComObject<IUpdateController>(CLSID_UpdateController)
               ->AddUpdateFile(vendorSite + "update.sh"));
  Pump();
  ASSERT_EQ(titles(), (std::vector<std::string>{"Club pages", "Zelvor automatic update"}));
  select({1});
  onDialog([&] { trigger("JobProperties"); },
           [&] {
             EXPECT_EQ(dialog->windowTitle(), "Job Propeties: Read Only");
             EXPECT_TRUE(control("PageURL")->isReadOnly());
             EXPECT_FALSE(control<QAbstractButton>("ExactCopy")->isEnabled());
             type("Title", "changed");
             dialog->accept();
             EXPECT_TRUE(dialog->isVisible());
           });
  EXPECT_EQ(titles()[1], "Zelvor automatic update");
}

TEST_F(JobPropertiesDialogTest, AFaultyFieldIsPointedAtOnItsPageAndTheCallOutGoesWithTheNextKey) {
  onDialog(
      [&] { trigger("ListAddNew"); },
      [&] {
        type("PageURL", "example.org/");
        dialog->accept();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(page(), 1);
        EXPECT_EQ(callOut()->Target(), control("TargetDirectory"));
        EXPECT_TRUE(callOut()->isVisible());
        EXPECT_EQ(callOut()->Text(), "This field cannot be empty");
        QTest::keyClicks(control("TargetDirectory"), QString::fromStdString(temp.File("copy")));
        EXPECT_FALSE(callOut()->isVisible());

        click("AutodetectIN");
        type("IndexName", "a|b.htm");
        click("AllowLinksInsideOnly");
        click("AllowLinksInsideOnly");
        control("SiteURL")->clear();
        dialog->findChild<QTabWidget *>()->setCurrentIndex(1);
        dialog->accept();
        EXPECT_EQ(page(), 0);
        EXPECT_EQ(callOut()->Target(), control("SiteURL"));
        type("SiteURL", "example.org");
        dialog->accept();
        EXPECT_EQ(callOut()->Target(), control("IndexName"));
        EXPECT_TRUE(callOut()->Text().startsWith("These characters are invalid in file name:"));
      });
  EXPECT_EQ(titles(), std::vector<std::string>{});
}

TEST_F(JobPropertiesDialogTest, ANewJobEnteredInTheDialogCopiesTheSite) {
  const std::string page = localSite("hall");
  const std::string copy = temp.File("hall-copy");
  onDialog([&] { trigger("ListAddNew"); },
           [&] {
             type("PageURL", QString::fromStdString(page.substr(std::string("file://").size())));
             type("TargetDirectory", QString::fromStdString(copy));
             QTest::keyClick(control("TargetDirectory"), Qt::Key_Return);
           });
  ASSERT_EQ(titles().size(), 1u);
  EXPECT_EQ(titles()[0], "Browsable copy of " + page.substr(0, page.rfind('/') + 1));
  select({0});
  trigger("JobRun");
  ComPtr<IGetSiteJob> job = ui::TJobListView::SinkOf(row(0))->GetJob();
  ASSERT_TRUE(PumpUntil([&] { return finished(job.get()); }));
  EXPECT_EQ(ReadFile(copy + "/a.png"), "picture");
  EXPECT_TRUE(fs::exists(copy + "/b.html"));
}

// The folder picker proposes a name that is no folder yet, and a job found in the chosen
// folder is taken only when it can be read.
TEST_F(JobPropertiesDialogTest, TheTargetPickerProposesAFreeNameAndAsksBeforeTakingAFoundJob) {
  const QString dir = QString::fromStdString(temp.Path());
  EXPECT_EQ(ui::UnusedSiteFolderName(dir), "My Site");
  fs::create_directory(temp.File("My Site"));
  EXPECT_EQ(ui::UnusedSiteFolderName(dir), "My Site0");
  fs::create_directory(temp.File("My Site0"));
  EXPECT_EQ(ui::UnusedSiteFolderName(dir), "My Site1");

  std::string descriptionName;
  OleCheck(GetProfiler()->get_JobDescriptionFileName(&descriptionName));
  WriteFile(temp.File(descriptionName), "<not a job");
  ui::TTargetDirectoryPicker picker(window.get(), dir);
  bool confirmed = false;
  TModalAnswers answers([&](QWidget *modal) {
    if (modal == &picker && !std::exchange(confirmed, true))
      QMetaObject::invokeMethod(&picker, "accept", Qt::QueuedConnection);
  });
  answers.Reply = QMessageBox::Yes;
  ASSERT_EQ(picker.exec(), QDialog::Accepted);
  EXPECT_EQ(fs::path(picker.ChosenDirectory().toStdString()), fs::path(temp.Path()).parent_path());
  EXPECT_FALSE(picker.FoundJob());
  ASSERT_EQ(answers.Texts().size(), 2u);
  EXPECT_EQ(answers.Texts()[1], "Cannot load Job from file \"" + temp.File(descriptionName) +
                                    "\". Possible, it was corrupted.\r\nSo, you can use this "
                                    "path for other Job.");
}

} // namespace
} // namespace zs::testing
