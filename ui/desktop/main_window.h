// The program's window: the job list, the detail pane of the selected job (its directory
// tree and error log), the menus, the tool bar, and the status bar with one progress
// indicator per fetch that may run at once. It drives jobs only through the kernel's
// interfaces and keeps the user's job list from one start to the next.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/profiler_advisor.h"
#include "ui/common/project_lock.h"
#include "ui/common/user_job_list.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;

namespace zs::ui {

class TDirectoryTreeView;
class TIndicatorPanel;
class TJobListView;
class TTitledFrame;

class TMainWindow : public QMainWindow {
  Q_OBJECT
public:
  static constexpr const char *Caption = "Zelvor Sumbra!";
  // The section of the custom settings that keeps the window's choices.
  static constexpr const char *SettingsSection = "MainWindow";

  // Loads the user's job list; a list that cannot be read is told of and kept, and the
  // window starts with an empty list.
  TMainWindow();
  ~TMainWindow() override;

  // The window that exists, if any.
  static TMainWindow *Instance();

  TJobListView *JobListView() const { return jobList_; }
  TDirectoryTreeView *DirectoryTree() const { return tree_; }
  QPlainTextEdit *ErrorLog() const { return errorLog_; }
  TIndicatorPanel *IndicatorPanel() const { return indicators_; }
  TTitledFrame *JobsFrame() const { return jobsFrame_; }
  TTitledFrame *DetailFrame() const { return detailFrame_; }
  QSplitter *Splitter() const { return splitter_; }
  QToolBar *ToolBar() const { return toolBar_; }
  QAction *Action(const std::string &Name) const;
  // The pop-up menu of the job list for the selection as it is.
  QMenu *JobListMenu() const { return jobListMenu_; }
  double JobsFrameRatio() const { return ratio_; }

  // The user's job list file is written (or removed, when the list is empty). Runs once,
  // before the kernel shuts down.
  void SaveJobList();
  // Shows an error as every unexpected failure is shown: in a message box with the
  // program's caption, when the window is visible.
  void ShowError(const std::string &Text);
  // The window comes forward, as a second start of the program asks it to.
  void Activate();
  // Runs a job as the window's Run command does: its project folder locked while it runs.
  void RunJob(IGetSiteJob *Job);

  // From the job sinks: a job's state changed, or a title; the selection changed.
  void JobStateChanged(IGetSiteJob *Job, TJobState State);
  void SelectionChanged();
  // A job's sink goes away: the window no longer shows it.
  void SinkGone(const class TGetSiteEvents *Sink) {
    if (shownSink_ == Sink) shownSink_ = nullptr;
  }
  // Every action's enabled state and the toggle's caption, for the selection as it is.
  void UpdateActions();
  // Applies a tool bar layout: action names, "-" for a separator, separated by commas.
  void ApplyToolBarLayout(const std::string &Layout);
  std::string ToolBarLayout() const;
  // The idle step: start-up handlers, memory, and the hint shown when nothing else is.
  void Idle();

protected:
  void closeEvent(QCloseEvent *Event) override;
  bool eventFilter(QObject *Watched, QEvent *Event) override;
  void resizeEvent(QResizeEvent *Event) override;

private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createFrames();
  void createStatusBar();
  void restoreSettings();
  void loadJobList();

  // Each command; failures reach ShowError.
  void addNewJob();
  void removeSelected();
  void importJob();
  void importJobList();
  void exportJobList();
  void runSelected();
  void stopSelected();
  void thisJobAction();
  void resetUnloaded();
  void refreshJobs();
  void showProperties();
  void showOptions();
  void customizeToolBar();
  void showAbout();
  void checkMemoryPerformance();
  void enterWhatsThis();
  void showHelpContents();
  void showHelpIndex();

  void setDetailVisible(bool Visible, bool Store);
  void setJobsExpanded(bool Expanded);
  void fitJobsFrame();
  void setSplitterActive(bool Active);
  void showJobListMenu(const QPoint &At);
  void buildJobListMenu();
  void setIndicatorCount(int Count);
  QAction *menuTitle(const QString &Text);
  // Runs a command; what it raises is shown.
  template <class Command> void guarded(Command &&command);

  std::map<std::string, QAction *> actions_;
  TJobListView *jobList_ = nullptr;
  TDirectoryTreeView *tree_ = nullptr;
  QPlainTextEdit *errorLog_ = nullptr;
  TIndicatorPanel *indicators_ = nullptr;
  TTitledFrame *jobsFrame_ = nullptr;
  TTitledFrame *detailFrame_ = nullptr;
  QSplitter *splitter_ = nullptr;
  QToolBar *toolBar_ = nullptr;
  QMenu *jobListMenu_ = nullptr;
  QMenu *toolBarMenu_ = nullptr;

  double ratio_ = -1.0; // share of the width for the jobs frame; -1 fixed, -3 fitted
  bool jobsExpanded_ = false;
  int widthBeforeExpanding_ = 0;
  bool detailVisibleBeforeExpanding_ = true;
  bool appendToCurrent_ = true; // the choice of the Load JobList dialog, kept
  TJobState thisJobState_ = jsStopped;
  class TGetSiteEvents *shownSink_ = nullptr;
  std::unique_ptr<TUserJobList> userJobList_;
  bool jobListSaved_ = false;
  std::unique_ptr<settings::TProfilerAdvisor> advisor_;
  ComPtr<IKernel> kernel_; // held while shown at a second start's request
  // The project folders of the jobs this window runs: another process may not run them.
  std::map<IGetSiteJob *, std::unique_ptr<TProjectLock>> runningLocks_;
};

} // namespace zs::ui
