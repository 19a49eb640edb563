#include "ui/desktop/main_window.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "ui/common/job_description_file.h"
#include "ui/common/program_cycle.h"
#include "ui/desktop/action_table.h"
#include "ui/desktop/dialogs.h"
#include "ui/desktop/directory_tree_view.h"
#include "ui/desktop/get_site_events.h"
#include "ui/desktop/help_topics.h"
#include "ui/desktop/indicator_panel.h"
#include "ui/desktop/job_list_view.h"
#include "ui/desktop/program_icons.h"
#include "ui/desktop/qt_main_loop.h"
#include "ui/desktop/titled_frame.h"

namespace zs::ui {

using platform::OleCheck;

namespace {

TMainWindow *instance = nullptr;

constexpr const char *readyHint = "Program Ready, For help press F1";
constexpr double goldenSection = 0.381966;
constexpr double fixedRatio = -1.0, fittedRatio = -3.0;
// The indicator panel's width as designed: the least it is given.
constexpr int indicatorPanelWidth = 320;
constexpr const char *defaultToolBar =
    "ListAddNew,-,ListRemove,JobProperties,-,JobRun,JobStop,JobRetry,JobRefresh,-,ToolsOptions,-,"
    "HelpContextAction,HelpContents";

QString text(const std::string &value) { return QString::fromStdString(value); }

TJobState stateOf(IGetSiteJob *job) {
  TJobState state = jsStopped;
  OleCheck(job->get_State(&state));
  return state;
}

ComPtr<IGetSiteJob> jobOf(QTreeWidgetItem *item) {
  TGetSiteEvents *sink = TJobListView::SinkOf(item);
  return sink ? sink->GetJob() : nullptr;
}

// A splitter whose handle tells of a double click.
class TFitSplitter : public QSplitter {
public:
  TFitSplitter(Qt::Orientation Orientation, std::function<void()> OnDoubleClick)
      : QSplitter(Orientation), onDoubleClick_(std::move(OnDoubleClick)) {}

protected:
  QSplitterHandle *createHandle() override {
    struct THandle : QSplitterHandle {
      THandle(Qt::Orientation o, QSplitter *s, std::function<void()> &call)
          : QSplitterHandle(o, s), call_(call) {}
      void mouseDoubleClickEvent(QMouseEvent *) override {
        if (call_) call_();
      }
      std::function<void()> &call_;
    };
    return new THandle(orientation(), this, onDoubleClick_);
  }

private:
  std::function<void()> onDoubleClick_;
};

// A labelled part of the detail pane: " Directory Tree", " Error Log".
QWidget *labelled(const QString &label, QWidget *content) {
  auto *part = new QWidget;
  auto *layout = new QVBoxLayout(part);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  auto *caption = new QLabel(label);
  caption->setBuddy(content);
  layout->addWidget(caption);
  layout->addWidget(content, 1);
  return part;
}

} // namespace

template <class Command> void TMainWindow::guarded(Command &&command) {
  try {
    command();
  } catch (...) {
    std::string source, message;
    ExceptionToText(std::current_exception(), source, message);
    ShowError(message);
  }
}

TMainWindow *TMainWindow::Instance() { return instance; }

TMainWindow::TMainWindow() {
  instance = this;
  setObjectName(SettingsSection);
  setWindowTitle(Caption);
  QApplication::setApplicationDisplayName(Caption);
  setWindowIcon(ApplicationIcon());
  createActions();
  createMenus();
  createToolBar();
  createFrames();
  createStatusBar();
  restoreSettings();
  int32_t allowed = 0;
  OleCheck(GetProfiler()->get_MaxGetProcessAllowed(&allowed));
  setIndicatorCount(allowed);
  advisor_ = std::make_unique<settings::TProfilerAdvisor>(
      [this](const std::string &name, const Variant &value) {
        if (name != "MaxGetProcessAllowed") return;
        const int count = value.AsInteger();
        // Settings may change in any thread; the window changes in its own.
        if (platform::IsMainThread())
          setIndicatorCount(count);
        else
          platform::PostTask([count] {
            if (instance) instance->setIndicatorCount(count);
          });
      });
  platform::SetActivationHandler([] {
    if (instance) instance->Activate();
  });
  // Work posted to the main thread that fails is told of as a command's failure is.
  SetMainLoopErrorHandler([](std::exception_ptr Error) {
    if (instance) instance->guarded([&] { std::rethrow_exception(Error); });
  });
  connect(jobList_, &QTreeWidget::itemSelectionChanged, this, &TMainWindow::SelectionChanged);
  qApp->installEventFilter(this);
  loadJobList();
  if (jobList_->topLevelItemCount() > 0) jobList_->SelectAlone(jobList_->topLevelItem(0));
  SelectionChanged();
  // The idle step runs when the event loop has nothing left to do, at most every tenth of a
  // second: it asks the job list whether maintenance is due, which is not free.
  auto *idleTimer = new QTimer(this);
  idleTimer->setSingleShot(true);
  idleTimer->setInterval(100);
  connect(idleTimer, &QTimer::timeout, this, &TMainWindow::Idle);
  connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, idleTimer,
          [idleTimer] {
            if (!idleTimer->isActive()) idleTimer->start();
          });
}

TMainWindow::~TMainWindow() {
  platform::SetActivationHandler(nullptr);
  SetMainLoopErrorHandler(nullptr);
  advisor_.reset();
  // The job sinks may outlive the window: their rows go with it.
  for (QTreeWidgetItem *item : jobList_->Items())
    if (TGetSiteEvents *sink = TJobListView::SinkOf(item)) sink->ForgetItem();
  runningLocks_.clear();
  instance = nullptr;
}

QAction *TMainWindow::Action(const std::string &Name) const {
  auto found = actions_.find(Name);
  return found == actions_.end() ? nullptr : found->second;
}

// Actions, menus, tool bar ------------------------------------------------------------------

void TMainWindow::createActions() {
  for (const TActionRec &rec : ActionTable()) {
    auto *action = new QAction(text(rec.Caption), this);
    action->setObjectName(rec.Name);
    action->setToolTip(text(ShortHint(rec)));
    action->setStatusTip(text(LongHint(rec)));
    action->setIcon(ActionIcon(rec.Name));
    action->setData(rec.HelpTopic);
    action->setCheckable(rec.Checkable);
    if (*rec.ShortCut) action->setShortcut(QKeySequence(text(rec.ShortCut)));
    // Short-cuts work wherever the focus is in the window, menus or not.
    addAction(action);
    actions_[rec.Name] = action;
  }
  auto on = [this](const char *name, void (TMainWindow::*command)()) {
    connect(actions_.at(name), &QAction::triggered, this,
            [this, command] { guarded([&] { (this->*command)(); }); });
  };
  on("ListAddNew", &TMainWindow::addNewJob);
  on("ListRemove", &TMainWindow::removeSelected);
  on("ListImportJob", &TMainWindow::importJob);
  on("ListOpenList", &TMainWindow::importJobList);
  on("ListSaveList", &TMainWindow::exportJobList);
  connect(actions_.at("ListExit"), &QAction::triggered, this, &QWidget::close);
  on("JobRun", &TMainWindow::runSelected);
  on("JobStop", &TMainWindow::stopSelected);
  on("JobRetry", &TMainWindow::resetUnloaded);
  on("JobRefresh", &TMainWindow::refreshJobs);
  on("JobProperties", &TMainWindow::showProperties);
  on("ThisJobAction", &TMainWindow::thisJobAction);
  on("ToolsOptions", &TMainWindow::showOptions);
  on("ToolsCustomize", &TMainWindow::customizeToolBar);
  on("HelpContents", &TMainWindow::showHelpContents);
  on("HelpTopicSearch", &TMainWindow::showHelpIndex);
  on("HelpContextAction", &TMainWindow::enterWhatsThis);
  on("HelpAbout", &TMainWindow::showAbout);
  on("CheckMemPerformance", &TMainWindow::checkMemoryPerformance);
  actions_.at("JobAllJobsTitle")->setEnabled(false);
  actions_.at("ViewDetailPane")->setChecked(true);
  connect(actions_.at("ViewDetailPane"), &QAction::triggered, this,
          [this](bool checked) { guarded([&] { setDetailVisible(checked, true); }); });
  QAction *die = actions_.at("DebuggingMustDie");
  die->setEnabled(false);
  connect(die, &QAction::triggered, [] { ::_exit(0); });
}

void TMainWindow::showHelpContents() { ShowHelpContents(); }
void TMainWindow::showHelpIndex() { ShowHelpIndex(); }

void TMainWindow::createMenus() {
  auto add = [this](QMenu *menu, std::initializer_list<const char *> names) {
    for (const char *name : names)
      if (std::string(name) == "-")
        menu->addSeparator();
      else
        menu->addAction(actions_.at(name));
  };
  add(menuBar()->addMenu(tr("&List")), {"ListAddNew", "ListRemove", "-", "ListImportJob",
                                        "ListOpenList", "ListSaveList", "-", "ListExit"});
  add(menuBar()->addMenu(tr("&Job")),
      {"JobRun", "JobStop", "JobRetry", "JobRefresh", "-", "JobProperties"});
  add(menuBar()->addMenu(tr("&Tools")), {"ViewDetailPane", "-", "ToolsOptions", "ToolsCustomize"});
  add(menuBar()->addMenu(tr("&Help")), {"HelpContents", "HelpTopicSearch", "-", "HelpAbout"});
  jobListMenu_ = new QMenu(this);
  toolBarMenu_ = new QMenu(this);
  toolBarMenu_->addSection(tr("ToolBar"));
  toolBarMenu_->addAction(actions_.at("ToolsCustomize"));
}

void TMainWindow::createToolBar() {
  toolBar_ = addToolBar(tr("ToolBar"));
  toolBar_->setObjectName("ToolBar");
  toolBar_->setMovable(false);
  toolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(toolBar_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { toolBarMenu_->popup(toolBar_->mapToGlobal(at)); });
  setContextMenuPolicy(Qt::NoContextMenu);
  ApplyToolBarLayout(defaultToolBar);
}

void TMainWindow::ApplyToolBarLayout(const std::string &Layout) {
  toolBar_->clear();
  std::istringstream names(Layout);
  for (std::string name; std::getline(names, name, ',');) {
    if (name == "-") {
      toolBar_->addSeparator();
    } else if (QAction *action = Action(name); action && !ActionIcon(name).isNull()) {
      toolBar_->addAction(action);
    }
  }
}

std::string TMainWindow::ToolBarLayout() const {
  std::string layout;
  for (QAction *action : toolBar_->actions()) {
    if (!layout.empty()) layout += ',';
    layout += action->isSeparator() ? "-" : action->objectName().toStdString();
  }
  return layout;
}

// Frames and splitters -----------------------------------------------------------------------

void TMainWindow::createFrames() {
  splitter_ = new TFitSplitter(Qt::Horizontal, [this] { guarded([this] { fitJobsFrame(); }); });
  splitter_->setChildrenCollapsible(false);
  jobsFrame_ = new TTitledFrame(tr("My JobList"), TTitledFrame::tbExpand, splitter_);
  jobList_ = new TJobListView(jobsFrame_);
  jobsFrame_->SetContent(jobList_);
  connect(jobsFrame_, &TTitledFrame::ButtonClicked, this,
          [this] { setJobsExpanded(!jobsExpanded_); });
  connect(jobList_, &QWidget::customContextMenuRequested, this, &TMainWindow::showJobListMenu);

  detailFrame_ = new TTitledFrame(tr("Job Details"), TTitledFrame::tbClose, splitter_);
  auto *detailSplitter = new QSplitter(Qt::Vertical);
  tree_ = new TDirectoryTreeView(detailSplitter);
  errorLog_ = new QPlainTextEdit;
  errorLog_->setReadOnly(true);
  errorLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  errorLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  detailSplitter->addWidget(labelled(tr(" Directory Tree"), tree_));
  detailSplitter->addWidget(labelled(tr(" Error Log"), errorLog_));
  detailSplitter->setStretchFactor(0, 3);
  detailSplitter->setStretchFactor(1, 1);
  detailFrame_->SetContent(detailSplitter);
  connect(detailFrame_, &TTitledFrame::ButtonClicked, this,
          [this] { guarded([this] { setDetailVisible(false, true); }); });

  splitter_->addWidget(jobsFrame_);
  splitter_->addWidget(detailFrame_);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);
  resize(900, 600);
  splitter_->setSizes({int(900 * goldenSection), 900 - int(900 * goldenSection)});
  ratio_ = goldenSection;
  connect(splitter_, &QSplitter::splitterMoved, this, [this](int position) {
    if (ratio_ == fittedRatio)
      ratio_ = fixedRatio;
    else if (width() > 0)
      ratio_ = double(position) / width();
  });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
    if (now && jobsFrame_->isAncestorOf(now)) setSplitterActive(true);
    if (now && detailFrame_->isAncestorOf(now)) setSplitterActive(false);
  });
  jobsFrame_->setFocusProxy(jobList_);
  detailFrame_->setFocusProxy(tree_);
}

void TMainWindow::setSplitterActive(bool Active) {
  // The handle takes the colour of the frame that has the focus: the highlight's when the
  // job list has it, a quieter one when the detail pane has it.
  QSplitterHandle *handle = splitter_->handle(1);
  if (!handle) return;
  handle->setAutoFillBackground(true);
  QPalette palette = handle->palette();
  palette.setColor(QPalette::Window, palette.color(Active ? QPalette::Highlight : QPalette::Mid));
  handle->setPalette(palette);
}

void TMainWindow::resizeEvent(QResizeEvent *Event) {
  QMainWindow::resizeEvent(Event);
  if (ratio_ < 0 || jobsExpanded_ || !detailFrame_->isVisible()) return;
  const int total = splitter_->width();
  const int jobs = int(std::lround(total * ratio_));
  splitter_->setSizes({jobs, std::max(total - jobs - splitter_->handleWidth(), 0)});
}

void TMainWindow::fitJobsFrame() {
  const int total = splitter_->width();
  const int current = splitter_->sizes().value(0);
  const int fitted = jobList_->WidestTitle();
  int width;
  if (std::abs(fitted - current) >= 2) {
    width = fitted;
    ratio_ = fittedRatio;
  } else {
    width = int(std::lround(total * goldenSection)) - splitter_->handleWidth() / 2;
    ratio_ = goldenSection;
  }
  splitter_->setSizes({width, std::max(total - width - splitter_->handleWidth(), 0)});
}

void TMainWindow::setDetailVisible(bool Visible, bool Store) {
  if (Visible && jobsExpanded_) setJobsExpanded(false);
  const bool wasVisible = detailFrame_->isVisibleTo(this);
  detailFrame_->setVisible(Visible);
  actions_.at("ViewDetailPane")->setChecked(Visible);
  if (!Visible && wasVisible) jobList_->setFocus();
  if (Store) WriteCustom(SettingsSection, "ViewDetailPane", Variant(Visible), 3);
}

void TMainWindow::setJobsExpanded(bool Expanded) {
  if (Expanded == jobsExpanded_) return;
  if (Expanded) {
    widthBeforeExpanding_ = splitter_->sizes().value(0);
    detailVisibleBeforeExpanding_ = detailFrame_->isVisibleTo(this);
    jobsExpanded_ = true;
    detailFrame_->hide();
    actions_.at("ViewDetailPane")->setChecked(false);
  } else {
    jobsExpanded_ = false;
    if (detailVisibleBeforeExpanding_) {
      detailFrame_->show();
      actions_.at("ViewDetailPane")->setChecked(true);
    }
    const int total = splitter_->width();
    splitter_->setSizes({widthBeforeExpanding_,
                         std::max(total - widthBeforeExpanding_ - splitter_->handleWidth(), 0)});
  }
}

// Status bar and indicators ------------------------------------------------------------------

void TMainWindow::createStatusBar() {
  indicators_ = new TIndicatorPanel(statusBar(), indicatorPanelWidth);
  statusBar()->addPermanentWidget(indicators_);
  auto *third = new QLabel;
  third->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusBar()->addPermanentWidget(third);
}

void TMainWindow::setIndicatorCount(int Count) { indicators_->SetCount(Count); }

void TMainWindow::Idle() {
  if (!RunIdleStep()) QTimer::singleShot(50, this, &TMainWindow::Idle);
  if (statusBar()->currentMessage().isEmpty()) statusBar()->showMessage(readyHint);
  UpdateActions();
}

// Settings and the job list ------------------------------------------------------------------

void TMainWindow::restoreSettings() {
  const std::string layout = ReadCustom(SettingsSection, "ToolBar", 1).AsString();
  if (!layout.empty()) ApplyToolBarLayout(layout);
  const Variant detail = ReadCustom(SettingsSection, "ViewDetailPane", 3);
  setDetailVisible(detail.IsNull() || detail.AsBoolean(), false);
}

void TMainWindow::loadJobList() {
  guarded([this] {
    userJobList_ = std::make_unique<TUserJobList>(
        true, [this](const std::string &note) { QMessageBox::warning(this, Caption, text(note)); });
    userJobList_->LockAndLoad();
    userJobList_->Unlock();
  });
}

void TMainWindow::SaveJobList() {
  if (jobListSaved_ || !userJobList_) return;
  jobListSaved_ = true;
  guarded([this] { userJobList_->Save(false); });
}

void TMainWindow::closeEvent(QCloseEvent *Event) {
  SaveJobList();
  Event->accept();
}

// Selection ------------------------------------------------------------------------------------

void TMainWindow::SelectionChanged() {
  const std::vector<QTreeWidgetItem *> selected = jobList_->SelectedInOrder();
  if (selected.size() == 1)
    detailFrame_->SetCaption(selected.front()->text(0));
  else if (jobList_->topLevelItemCount() == 0)
    detailFrame_->SetCaption(actions_.at("ViewDetailPane")->text().remove('&'));
  else
    detailFrame_->SetCaption(tr("Job Details"));
  TGetSiteEvents *nowShown =
      selected.size() == 1 ? TJobListView::SinkOf(selected.front()) : nullptr;
  if (shownSink_ != nowShown) {
    if (shownSink_) shownSink_->SetShown(false);
    shownSink_ = nowShown;
    if (shownSink_) shownSink_->SetShown(true);
  }
  UpdateActions();
}

void TMainWindow::UpdateActions() {
  std::vector<TJobState> states;
  for (QTreeWidgetItem *item : jobList_->SelectedInOrder())
    if (ComPtr<IGetSiteJob> job = jobOf(item)) states.push_back(stateOf(job.get()));
  const TJobActionRules rules(states);
  actions_.at("ListRemove")->setEnabled(rules.RemoveEnabled());
  actions_.at("JobRun")->setEnabled(rules.RunEnabled());
  actions_.at("JobStop")->setEnabled(rules.StopEnabled());
  actions_.at("JobRetry")->setEnabled(rules.RetryEnabled());
  actions_.at("JobRefresh")->setEnabled(rules.RefreshEnabled());
  actions_.at("JobProperties")->setEnabled(rules.PropertiesEnabled());
  const bool help = HelpAvailable();
  actions_.at("HelpContents")->setEnabled(help);
  actions_.at("HelpTopicSearch")->setEnabled(help);
  QAction *toggle = actions_.at("ThisJobAction");
  thisJobState_ = states.size() == 1 ? states.front() : jsStopped;
  const QAction *model = actions_.at(rules.ThisJobCommand());
  toggle->setText(model->text());
  toggle->setToolTip(model->toolTip());
  toggle->setStatusTip(model->statusTip());
  toggle->setIcon(model->icon());
  toggle->setEnabled(rules.ThisJobEnabled());
}

QAction *TMainWindow::menuTitle(const QString &Title) {
  auto *title = new QAction(Title, jobListMenu_);
  title->setSeparator(true);
  title->setText(Title);
  return title;
}

void TMainWindow::buildJobListMenu() {
  jobListMenu_->clear();
  const size_t count = jobList_->SelectedInOrder().size();
  auto add = [this](std::initializer_list<const char *> names) {
    for (const char *name : names)
      if (std::string(name) == "-")
        jobListMenu_->addSeparator();
      else
        jobListMenu_->addAction(actions_.at(name));
  };
  if (count == 1) {
    jobListMenu_->addSection(tr("This Job"));
    add({"ThisJobAction", "JobRetry", "JobRefresh", "-", "ListRemove", "-", "JobProperties"});
  } else if (count > 1) {
    jobListMenu_->addSection(tr("Selected Jobs"));
    add({"JobRun", "JobStop", "JobRetry", "JobRefresh", "-", "ListRemove"});
  }
  jobListMenu_->addSection(text(ShortHint(ActionRec("JobAllJobsTitle"))));
  add({"ListAddNew", "ListOpenList", "ListSaveList"});
}

void TMainWindow::showJobListMenu(const QPoint &At) {
  UpdateActions();
  buildJobListMenu();
  jobListMenu_->popup(jobList_->viewport()->mapToGlobal(At));
}

// Commands -------------------------------------------------------------------------------------

void TMainWindow::addNewJob() {
  ComPtr<IJobRequest> request = CreateJobRequest();
  if (!ExecuteNewJobDialog(this, request.get())) return;
  ComPtr<IGetSiteJob> job;
  OleCheck(GetJobQueue()->AddJob(request.get(), job.put()));
  if (ComPtr<IIGetSiteJob> internal = job.As<IIGetSiteJob>())
    if (ComPtr<IIGetSiteEvents> events = internal->GetEvents()) events->SelectJobItem();
}

void TMainWindow::removeSelected() {
  const std::vector<QTreeWidgetItem *> selected = jobList_->SelectedInOrder();
  if (selected.empty()) return;
  const std::vector<QTreeWidgetItem *> items = jobList_->Items();
  auto last = std::ranges::find(items, selected.back());
  QTreeWidgetItem *after = std::next(last) != items.end() ? *std::next(last) : nullptr;
  std::vector<ComPtr<IGetSiteJob>> jobs;
  for (QTreeWidgetItem *item : selected)
    if (ComPtr<IGetSiteJob> job = jobOf(item)) jobs.push_back(job);
  jobList_->setUpdatesEnabled(false);
  {
    const QSignalBlocker quiet(jobList_);
    for (const ComPtr<IGetSiteJob> &job : jobs)
      OleCheck(job->Remove());
  }
  jobList_->setUpdatesEnabled(true);
  // The row after the last one removed is the new selection; the new last row when there
  // was none.
  if (jobList_->topLevelItemCount() > 0)
    jobList_->SelectAlone(after ? after
                                : jobList_->topLevelItem(jobList_->topLevelItemCount() - 1));
  SelectionChanged();
}

void TMainWindow::importJob() {
  QFileDialog dialog(this, tr("Import One Job"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({tr("Job Description files (#Sumbra.&jd)"), tr("All files (*)")});
  dialog.setDefaultSuffix("jd");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string file = dialog.selectedFiles().front().toStdString();
  ComPtr<IJobRequest> request = ReadJobDescription(file);
  if (!request) {
    QMessageBox::critical(this, Caption, tr("Job Descpription file is corrupted."));
    return;
  }
  ComPtr<IGetSiteJob> job;
  OleCheck(GetJobQueue()->AddJob(request.get(), job.put()));
}

void TMainWindow::importJobList() {
  QFileDialog dialog(this, tr("Load JobList"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters({tr("JobList files (*.JL *.jl)"), tr("All files (*)")});
  dialog.setDefaultSuffix("jl");
  auto *append = new QCheckBox(tr("&Append to current"), &dialog);
  append->setChecked(appendToCurrent_);
  if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
    grid->addWidget(append, grid->rowCount(), 0, 1, grid->columnCount());
  if (dialog.exec() != QDialog::Accepted) return;
  appendToCurrent_ = append->isChecked();
  if (!appendToCurrent_) OleCheck(GetJobQueue()->Clear());
  for (const QString &file : dialog.selectedFiles())
    OleCheck(GetJobQueue()->LoadAndMerge(file.toStdString()));
  SelectionChanged();
}

void TMainWindow::exportJobList() {
  QFileDialog dialog(this, tr("Save JobList"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({tr("JobList files (*.JL *.jl)"), tr("All files (*)")});
  dialog.setDefaultSuffix("jl");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OleCheck(GetJobQueue()->SaveTo(dialog.selectedFiles().front().toStdString()));
}

void TMainWindow::RunJob(IGetSiteJob *Job) {
  ComPtr<IJobRequest> request;
  OleCheck(Job->get_JobRequest(request.put()));
  TLocalFileName dir;
  OleCheck(request->get_ProjectDir(&dir));
  if (!runningLocks_.contains(Job)) {
    std::filesystem::create_directories(dir);
    // Another process that runs the job holds its folder: this one leaves it stopped.
    runningLocks_[Job] = std::make_unique<TProjectLock>(dir);
  }
  try {
    OleCheck(Job->Run());
  } catch (...) {
    runningLocks_.erase(Job);
    throw;
  }
}

void TMainWindow::JobStateChanged(IGetSiteJob *Job, TJobState State) {
  if (State != jsRunning) runningLocks_.erase(Job);
  UpdateActions();
}

void TMainWindow::runSelected() {
  for (QTreeWidgetItem *item : jobList_->SelectedInOrder())
    if (ComPtr<IGetSiteJob> job = jobOf(item); job && stateOf(job.get()) == jsStopped)
      guarded([&] { RunJob(job.get()); });
  UpdateActions();
}

void TMainWindow::stopSelected() {
  for (QTreeWidgetItem *item : jobList_->SelectedInOrder())
    if (ComPtr<IGetSiteJob> job = jobOf(item); job && stateOf(job.get()) == jsRunning)
      OleCheck(job->Pause());
  UpdateActions();
}

void TMainWindow::thisJobAction() {
  const std::vector<QTreeWidgetItem *> selected = jobList_->SelectedInOrder();
  if (selected.size() != 1) return;
  ComPtr<IGetSiteJob> job = jobOf(selected.front());
  if (!job) return;
  if (thisJobState_ == jsStopped)
    RunJob(job.get());
  else if (thisJobState_ == jsRunning)
    OleCheck(job->Pause());
  UpdateActions();
}

void TMainWindow::resetUnloaded() {
  bool anyReset = false;
  for (QTreeWidgetItem *item : jobList_->SelectedInOrder()) {
    if (ComPtr<IGetSiteJob> job = jobOf(item)) {
      bool reset = false;
      OleCheck(job->Retry(&reset));
      anyReset = anyReset || reset;
    }
  }
  if (!anyReset) QMessageBox::information(this, Caption, tr("All links were complete downloaded"));
  UpdateActions();
}

// Each selected job that is not running asks for its links again and runs.
void TMainWindow::refreshJobs() {
  for (QTreeWidgetItem *item : jobList_->SelectedInOrder()) {
    ComPtr<IGetSiteJob> job = jobOf(item);
    auto refreshable = job ? job.As<IRefreshableJob>() : nullptr;
    if (!refreshable || stateOf(job.get()) == jsRunning) continue;
    bool waiting = false;
    OleCheck(refreshable->Refresh(&waiting));
    if (waiting) RunJob(job.get());
  }
  UpdateActions();
}

void TMainWindow::showProperties() {
  const std::vector<QTreeWidgetItem *> selected = jobList_->SelectedInOrder();
  if (selected.size() != 1) return;
  TGetSiteEvents *sink = TJobListView::SinkOf(selected.front());
  ComPtr<IGetSiteJob> job = sink ? sink->GetJob() : nullptr;
  if (!job) return;
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  // The job's own sink knows whether it is the update job.
  ComPtr<IIGetSiteEvents> events = job.As<IIGetSiteJob>()->GetEvents();
  ExecuteEditJobDialog(this, request.get(), events && events->IsUpdateJob());
}

void TMainWindow::showOptions() { ExecuteOptionsDialog(this); }

void TMainWindow::customizeToolBar() {
  std::vector<std::string> available;
  for (const TActionRec &rec : ActionTable())
    if (!ActionIcon(rec.Name).isNull()) available.push_back(rec.Name);
  if (std::optional<std::string> layout = ExecuteToolBarDialog(this, available, ToolBarLayout())) {
    ApplyToolBarLayout(*layout);
    WriteCustom(SettingsSection, "ToolBar", Variant(*layout), 1);
  }
}

void TMainWindow::showAbout() {
  QMessageBox::about(this, tr("About Zelvor Sumbra!"),
                     tr("<h3>Zelvor Sumbra! 1.0.0.0</h3>"
                        "<p>Copies web sites to a folder of your own: exactly as they are, "
                        "or with their links rewritten so that the copy opens offline from "
                        "anywhere.</p><p>Every link is journalled, so an interrupted job "
                        "goes on where it stopped.</p>"));
}

void TMainWindow::checkMemoryPerformance() {
  constexpr int slotCount = 10000, rounds = 999901, blockSize = 10000;
  std::vector<std::unique_ptr<char[]>> table(slotCount);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pick(0, slotCount - 1);
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < rounds; ++i) {
    std::unique_ptr<char[]> &slot = table[pick(random)];
    if (slot)
      slot.reset();
    else
      slot = std::make_unique_for_overwrite<char[]>(blockSize);
  }
  const qint64 elapsed = clock.elapsed();
  table.clear();
  QMessageBox::information(this, Caption,
                           QString("%1:%2 ms").arg(elapsed / 1000).arg(elapsed % 1000));
}

void TMainWindow::enterWhatsThis() { QWhatsThis::enterWhatsThisMode(); }

// In "What's this?" mode the control clicked asks for its help: the topic of the control or
// of the nearest control around it that has one, or of the command a tool button stands
// for.
bool TMainWindow::eventFilter(QObject *Watched, QEvent *Event) {
  if (Event->type() != QEvent::WhatsThis) return QMainWindow::eventFilter(Watched, Event);
  int topic = 0;
  for (QObject *object = Watched; object && !topic; object = object->parent()) {
    if (auto *button = qobject_cast<QToolButton *>(object); button && button->defaultAction())
      topic = button->defaultAction()->data().toInt();
    else
      topic = object->property("helpTopic").toInt();
  }
  if (!topic) return false;
  guarded([topic] { ShowHelpTopic(topic); });
  return true;
}

void TMainWindow::ShowError(const std::string &Text) {
  std::string message = Text;
  if (!message.empty() && message.back() != '.') message += '.';
  if (isVisible()) QMessageBox::critical(this, Caption, text(message));
}

void TMainWindow::Activate() {
  if (!kernel_) {
    show();
    kernel_ = GetKernel();
  }
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

} // namespace zs::ui
