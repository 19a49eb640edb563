// The window driven as a person drives it, over the real kernel and real jobs.
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWhatsThis>
#include <unistd.h>

#include "platform/child_process.h"
#include "tests/ui/desktop/desktop_test_support.h"
#include "ui/common/job_texts.h"
#include "ui/common/project_lock.h"
#include "ui/desktop/directory_tree_view.h"
#include "ui/desktop/get_file_events_ui.h"
#include "ui/desktop/get_site_events.h"
#include "ui/desktop/indicator_panel.h"
#include "ui/desktop/single_instance.h"
#include "ui/desktop/titled_frame.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

// Picks Path in the next file dialog; a check box labelled Check is set to Checked.
std::function<void(QWidget *)> chooseFile(const std::string &path, const QString &check = {},
                                          bool checked = false) {
  return [=](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    if (!dialog) {
      modal->close();
      return;
    }
    for (QCheckBox *box : dialog->findChildren<QCheckBox *>())
      if (box->text() == check) box->setChecked(checked);
    // Typed as a user types it: the folder's listing may not have been read yet.
    dialog->setDirectory(QString::fromStdString(fs::path(path).parent_path()));
    dialog->findChild<QLineEdit *>("fileNameEdit")
        ->setText(QString::fromStdString(fs::path(path).filename()));
    QMetaObject::invokeMethod(dialog, "accept");
  };
}

// The pages a help request opened.
class THelpRequests : public QObject {
  Q_OBJECT
public:
  THelpRequests() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~THelpRequests() override { QDesktopServices::unsetUrlHandler("file"); }
  Q_INVOKABLE void open(const QUrl &url) {
    Pages.push_back(url.fileName().toStdString() + "#" + url.fragment().toStdString());
  }
  std::vector<std::string> Pages;
};

TEST_F(DesktopTest, RemoveSelectsTheRowAfterTheLastRemovedOrElseTheNewLastRow) {
  for (const char *title : {"a", "b", "c", "d", "e"})
    addJob(title, localSite(title));
  select({1, 2});
  trigger("ListRemove");
  EXPECT_EQ(titles(), (std::vector<std::string>{"a", "d", "e"}));
  EXPECT_EQ(list()->SelectedInOrder(), std::vector{row(1)});
  select({2});
  trigger("ListRemove");
  EXPECT_EQ(list()->SelectedInOrder(), std::vector{row(1)});
  EXPECT_EQ(window->DetailFrame()->Caption(), "d");
  select({0, 1});
  EXPECT_EQ(window->DetailFrame()->Caption(), "Job Details");
  trigger("ListRemove");
  EXPECT_EQ(titles(), std::vector<std::string>{});
  EXPECT_FALSE(enabled("ListRemove"));
  EXPECT_EQ(window->DetailFrame()->Caption(), "Detail Pane");
}

TEST_F(DesktopTest, RunAndStopActOnTheJobsTheyFitAndTheToggleFollowsTheJob) {
  ComPtr<IGetSiteJob> first = addJob("first", silentSite());
  ComPtr<IGetSiteJob> done = addJob("done", localSite("done"));
  ComPtr<IGetSiteJob> third = addJob("third", silentSite() + "?third");
  select({1});
  trigger("JobRun");
  ASSERT_TRUE(PumpUntil([&] { return finished(done.get()); }));
  window->UpdateActions();
  QAction *toggle = window->Action("ThisJobAction");
  EXPECT_EQ(toggle->text(), "&Run");
  EXPECT_FALSE(toggle->isEnabled());

  select({0});
  EXPECT_EQ(toggle->text(), "&Run");
  EXPECT_TRUE(toggle->isEnabled());
  toggle->trigger();
  EXPECT_EQ(stateOf(first.get()), jsRunning);
  EXPECT_EQ(toggle->text(), "&Stop");
  EXPECT_EQ(toggle->statusTip(), "Stop selected Jobs");

  // One stopped, one running, one finished: each command takes the jobs it fits.
  select({0, 1, 2});
  EXPECT_TRUE(enabled("JobRun") && enabled("JobStop"));
  EXPECT_FALSE(enabled("JobProperties"));
  trigger("JobRun");
  EXPECT_EQ(stateOf(third.get()), jsRunning);
  EXPECT_EQ(stateOf(done.get()), jsFinished);
  trigger("JobStop");
  EXPECT_EQ(stateOf(first.get()), jsStopped);
  EXPECT_EQ(stateOf(third.get()), jsStopped);
  EXPECT_EQ(stateOf(done.get()), jsFinished);
  EXPECT_FALSE(enabled("JobStop"));

  // The pop-up menu follows the selection.
  auto menuTexts = [&] {
    Q_EMIT list()->customContextMenuRequested(QPoint(2, 2));
    std::vector<std::string> texts;
    for (QAction *action : window->JobListMenu()->actions())
      texts.push_back(action->text().toStdString());
    window->JobListMenu()->hide();
    return texts;
  };
  EXPECT_EQ(menuTexts(),
            (std::vector<std::string>{"Selected Jobs", "&Run", "&Stop", "Reset &unloaded",
                                      "Re&fresh", "", "&Remove", "All Jobs", "&Add New Job...",
                                      "&Import JobList...", "&Export JobList..."}));
  select({});
  EXPECT_EQ(menuTexts(), (std::vector<std::string>{"All Jobs", "&Add New Job...",
                                                   "&Import JobList...", "&Export JobList..."}));
}

TEST_F(DesktopTest, ResetUnloadedSaysSoOnlyWhenNoSelectedJobHadAFailedLink) {
  ComPtr<IGetSiteJob> broken = addJob("broken", localSite("broken", true));
  ComPtr<IGetSiteJob> whole = addJob("whole", localSite("whole"));
  select({0, 1});
  trigger("JobRun");
  ASSERT_TRUE(PumpUntil([&] { return finished(broken.get()) && finished(whole.get()); }));
  TModalAnswers answers;
  select({0, 1});
  trigger("JobRetry");
  EXPECT_EQ(answers.Texts(), std::vector<std::string>{});
  EXPECT_EQ(stateOf(broken.get()), jsStopped); // its failed link waits again
  select({1});
  trigger("JobRetry");
  EXPECT_EQ(answers.Texts(), std::vector<std::string>{"All links were complete downloaded"});
  // Refresh asks for every link of the finished job again, and runs it.
  trigger("JobRefresh");
  EXPECT_EQ(stateOf(whole.get()), jsRunning);
  EXPECT_FALSE(enabled("JobRefresh"));
  ASSERT_TRUE(PumpUntil([&] { return finished(whole.get()); }));
}

TEST_F(DesktopTest, ImportingAJobListAppendsOrReplacesAsChosen) {
  addJob("kept", localSite("kept"));
  const std::string exported = temp.File("jobs.jl");
  {
    TModalAnswers answers(chooseFile(exported));
    trigger("ListSaveList");
  }
  ASSERT_TRUE(fs::exists(exported));
  OleCheck(GetJobQueue()->Clear());
  addJob("other", localSite("other"));
  {
    TModalAnswers answers(chooseFile(exported, "&Append to current", true));
    trigger("ListOpenList");
  }
  EXPECT_EQ(titles(), (std::vector<std::string>{"other", "kept"}));
  {
    TModalAnswers answers(chooseFile(exported, "&Append to current", false));
    trigger("ListOpenList");
  }
  EXPECT_EQ(titles(), std::vector<std::string>{"kept"});
}

TEST_F(DesktopTest, ImportJobTakesAJobDescriptionAndRefusesACorruptOne) {
  ComPtr<IGetSiteJob> job = addJob("described", localSite("described"));
  select({0});
  trigger("JobRun");
  ASSERT_TRUE(PumpUntil([&] { return finished(job.get()); }));
  OleCheck(job->Remove());
  const std::string description = temp.File("described-copy/#Sumbra.&jd");
  {
    TModalAnswers answers(chooseFile(description));
    trigger("ListImportJob");
    EXPECT_EQ(answers.Texts(), std::vector<std::string>{});
  }
  EXPECT_EQ(titles(), std::vector<std::string>{"described"});

  const std::string corrupt = temp.File("corrupt/#Sumbra.&jd");
  fs::create_directories(temp.File("corrupt"));
  WriteFile(corrupt, "<Job><Request Title=\"torn");
  TModalAnswers answers(chooseFile(corrupt));
  trigger("ListImportJob");
  PumpUntil([&] { return !answers.Texts().empty(); });
  EXPECT_EQ(answers.Texts(), std::vector<std::string>{"Job Descpription file is corrupted."});
  EXPECT_EQ(titles(), std::vector<std::string>{"described"});
}

TEST_F(DesktopTest, IndicatorsFollowTheConnectionSettingAndShowEachFetch) {
  ui::TIndicatorPanel *panel = window->IndicatorPanel();
  EXPECT_EQ(panel->Count(), 10);
  OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Variant(int32_t{4})));
  EXPECT_EQ(panel->Count(), 4);
  OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Variant(int32_t{2})));
  ASSERT_EQ(panel->Count(), 2);
  const int half = (panel->width() - 2) / 2;
  EXPECT_EQ(panel->Placed()[0]->width(), half - 1);
  EXPECT_EQ(panel->Placed()[1]->x() - panel->Placed()[0]->x(), half);

  // A fetch holds an indicator while it runs; one beyond the number has one of its own.
  std::vector<ComPtr<IIGetFileEvents>> fetches;
  for (const char *url : {"http://h/a", "http://h/b", "http://h/c"}) {
    fetches.push_back(ui::NewGetFileEventsUI(url));
    fetches.back()->Begin();
  }
  fetches[0]->Progress(true, 2048, 1024000);
  EXPECT_EQ(panel->Placed()[0]->Text(), "http://h/a 2 KB of 0 MB done");
  EXPECT_EQ(panel->Placed()[0]->maximum(), 1024000);
  fetches[1]->Progress(false, 55, 999);
  EXPECT_EQ(panel->Placed()[1]->Text(), "http://h/b 999 bytes done");
  EXPECT_TRUE(panel->Placed()[1]->isVisible());
  fetches[0]->Finished(true);
  EXPECT_FALSE(panel->Placed()[0]->isVisible());
  fetches.clear();
  OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Variant(int32_t{10})));
}

TEST(DesktopTexts, SizesAndLogLinesReadAsTheUserSeesThem) {
  const std::pair<int64_t, const char *> sizes[] = {{999, "999 bytes"},
                                                    {1000, "0 KB"},
                                                    {1023999, "999 KB"},
                                                    {1024000, "0 MB"},
                                                    {5 << 20, "5 MB"}};
  for (const auto &[bytes, text] : sizes)
    EXPECT_EQ(ui::FetchSizeText(bytes), text);
  EXPECT_EQ(ui::ErrorLine("Parser", ""), "Parser error occured.");
  EXPECT_EQ(ui::ErrorLine("Workflow", "Disk full"), "Error: Disk full.");
  EXPECT_EQ(ui::ErrorLine("EOSError", "gone"), "EOSError error: gone.");
}

TEST_F(DesktopTest, AJobsLogIsKeptWhileHiddenAndShownInOrderWhenItIsSelected) {
  ComPtr<IGetSiteJob> logged = addJob("logged", localSite("logged"));
  addJob("other", localSite("other"));
  select({1});
  // What the job's worker threads report reaches its log, whether it is shown or not.
  ComPtr<IIGetSiteEvents> sink = logged.As<IIGetSiteJob>()->GetEvents();
  sink->GetFileEvents()->Install();
  ReportWarning("one");
  ReportWarning("two");
  UninstallThreadReporters();
  Pump();
  EXPECT_EQ(window->ErrorLog()->toPlainText(), "");
  select({0});
  EXPECT_EQ(window->ErrorLog()->toPlainText(), "Warning: one\nWarning: two");
  sink->GetFileEvents()->Install();
  ReportWarning("three");
  UninstallThreadReporters();
  ASSERT_TRUE(PumpUntil([&] { return window->ErrorLog()->toPlainText().endsWith("three"); }));
  EXPECT_EQ(window->ErrorLog()->toPlainText(), "Warning: one\nWarning: two\nWarning: three");
  // A renamed job shows its new title at once.
  ComPtr<IJobRequest> request;
  OleCheck(logged->get_JobRequest(request.put()));
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  def.Title = "renamed";
  OleCheck(request->Change(def));
  EXPECT_EQ(row(0)->text(0), "renamed");
  EXPECT_EQ(window->DetailFrame()->Caption(), "renamed");
}

TEST_F(DesktopTest, TheDirectoryTreeShowsTheSelectedJobsLinksByState) {
  ComPtr<IGetSiteJob> job = addJob("tree", localSite("tree", true));
  select({0});
  trigger("JobRun");
  ASSERT_TRUE(PumpUntil([&] { return finished(job.get()); }));
  ui::TDirectoryTreeView *tree = window->DirectoryTree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  // Down the folders to the files of the site.
  QTreeWidgetItem *node = tree->topLevelItem(0);
  for (; node; node = node->childCount() ? node->child(node->childCount() - 1) : nullptr) {
    node->setExpanded(true); // a folder reads its children when it is opened
    if (node->childCount() == 4) break;
  }
  ASSERT_TRUE(node) << "no folder holds the site's files";
  std::vector<std::string> files;
  for (int i = 0; i < node->childCount(); ++i)
    files.push_back(node->child(i)->text(0).toStdString());
  EXPECT_EQ(files, (std::vector<std::string>{"a.png", "b.html", "gone.html", "index.html"}));
  select({});
  EXPECT_EQ(tree->topLevelItemCount(), 0);
}

TEST_F(DesktopTest, ClosingWritesTheJobListOrRemovesItsFileWhenTheListIsEmpty) {
  addJob("saved", localSite("saved"));
  window->close();
  ASSERT_TRUE(fs::exists(userJobList()));
  OleCheck(GetJobQueue()->Clear());
  window.reset();
  openWindow();
  EXPECT_EQ(titles(), std::vector<std::string>{"saved"});
  OleCheck(GetJobQueue()->Clear());
  window->close();
  EXPECT_FALSE(fs::exists(userJobList()));
}

TEST_F(DesktopTest, AJobListThatCannotBeReadIsToldOfAndKept) {
  window.reset();
  fs::create_directories(fs::path(userJobList()).parent_path());
  WriteFile(userJobList(), "not a job list");
  {
    TModalAnswers answers;
    openWindow();
    ASSERT_EQ(answers.Texts().size(), 1u);
    EXPECT_NE(answers.Texts()[0].find("could not be read"), std::string::npos);
  }
  EXPECT_EQ(titles(), std::vector<std::string>{});
  window->SaveJobList();
  EXPECT_EQ(ReadFile(userJobList()), "not a job list");
  // Once there is a list to keep, the unreadable file is kept beside it.
  window.reset();
  {
    TModalAnswers answers;
    openWindow();
  }
  addJob("new", localSite("new"));
  TModalAnswers answers;
  window->SaveJobList();
  ASSERT_EQ(answers.Texts().size(), 1u);
  EXPECT_NE(answers.Texts()[0].find("was kept as"), std::string::npos);
  EXPECT_EQ(ReadFile(userJobList() + ".corrupt"), "not a job list");
  fs::remove(userJobList() + ".corrupt");
}

TEST_F(DesktopTest, AJobThatAnotherProcessRunsStaysStoppedAndTheWindowSaysWhy) {
  ComPtr<IGetSiteJob> job = addJob("held", localSite("held"));
  fs::create_directories(temp.File("held-copy"));
  ui::TProjectLock other(temp.File("held-copy"));
  TModalAnswers answers;
  select({0});
  trigger("JobRun");
  EXPECT_EQ(stateOf(job.get()), jsStopped);
  ASSERT_EQ(answers.Texts().size(), 1u);
  EXPECT_EQ(answers.Texts()[0], "The job in " + temp.File("held-copy") +
                                    " is being run by process " + std::to_string(getpid()) + ".");
}

TEST_F(DesktopTest, AJobRunningAtTheCloseIsStoppedAtTheNextStartAndRunsAgain) {
  ComPtr<IGetSiteJob> job = addJob("running", silentSite());
  select({0});
  trigger("JobRun");
  ASSERT_EQ(stateOf(job.get()), jsRunning);
  window->close();
  OleCheck(GetJobQueue()->Clear());
  window.reset();
  openWindow();
  ASSERT_EQ(titles(), std::vector<std::string>{"running"});
  select({0});
  EXPECT_TRUE(enabled("JobRun"));
  trigger("JobRun");
  ComPtr<IGetSiteJob> again = ui::TJobListView::SinkOf(row(0))->GetJob();
  EXPECT_EQ(stateOf(again.get()), jsRunning);
}

TEST_F(DesktopTest, HelpOpensTheTopicOfWhatIsAskedAbout) {
  THelpRequests help;
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F1);
  trigger("HelpTopicSearch");
  QWhatsThis::enterWhatsThisMode();
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  QWhatsThis::leaveWhatsThisMode();
  EXPECT_EQ(help.Pages,
            (std::vector<std::string>{"index.htm#", "Topic Index.htm#", "New_Job.htm#"}));
}

TEST_F(DesktopTest, ASecondStartBringsTheRunningWindowForwardAndEnds) {
  TempDir runtime;
  fs::permissions(runtime.Path(), fs::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  ui::TSingleInstance first;
  ASSERT_TRUE(first.Acquire());
  window->showMinimized();
  ASSERT_TRUE(window->isMinimized());
  platform::ChildProcess second =
      platform::ChildProcess::Spawn(ZS_PROGRAM_DIR "/ZelvorSumbra", {"-platform", "offscreen"});
  ASSERT_TRUE(PumpUntil([&] { return !window->isMinimized(); }));
  ASSERT_TRUE(second.WaitForExit(std::chrono::seconds(30)));
  EXPECT_EQ(second.ExitStatus(), 0);
  EXPECT_TRUE(window->isVisible());
}

} // namespace
} // namespace zs::testing

#include "main_window_test.moc"
