#include "ui/desktop/get_site_events.h"

#include <QPlainTextEdit>
#include <memory>

#include "platform/safecall.h"
#include "ui/common/job_texts.h"
#include "ui/desktop/directory_tree_view.h"
#include "ui/desktop/job_list_view.h"
#include "ui/desktop/main_window.h"
#include "ui/desktop/program_icons.h"

namespace zs::ui {

using platform::OleCheck;

// The job's reporter. A thread that works for the job holds it in its reporter slots,
// possibly longer than the sink lives: after Detach its reports are dropped.
class TGetSiteEventsContextFlyer final
    : public platform::TComObject<IIThreadContextSupport, IILinkMessageSupport> {
public:
  explicit TGetSiteEventsContextFlyer(TGetSiteEvents *Owner) : owner_(Owner) {}

  void Install() override {
    ComPtr<TGetSiteEventsContextFlyer> self(this);
    InstallThreadReporters([self](const std::string &text) { self->post(WarningLine(text)); },
                           [self](const std::string &source, const std::string &text) {
                             self->post(ErrorLine(source, text));
                           });
  }

  // In the main thread: the line reaches the log, unless the job has gone.
  void DispatchMessage(void *Message) override {
    std::unique_ptr<std::string> line(static_cast<std::string *>(Message));
    if (owner_) owner_->AddLogLine(*line);
  }

  void Detach() { owner_ = nullptr; }

private:
  void post(std::string line) {
    auto message = std::make_unique<std::string>(std::move(line));
    PostLinkMessage(static_cast<IILinkMessageSupport *>(this), message.get());
    // The queue holds it now; DispatchMessage frees it.
    message.release();
  }

  TGetSiteEvents *owner_; // main thread only
};

namespace {

std::string titleOf(IGetSiteJob *job) {
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  std::string title;
  OleCheck(request->get_Title(&title));
  return title;
}

TJobState stateOf(IGetSiteJob *job) {
  TJobState state = jsStopped;
  OleCheck(job->get_State(&state));
  return state;
}

} // namespace

TGetSiteEvents::TGetSiteEvents(IKGetSiteJob *Job)
    : job_(Job), flyer_(platform::MakeCom<TGetSiteEventsContextFlyer>(this)) {
  if (TMainWindow *window = TMainWindow::Instance()) {
    const int image = JobStateImage(stateOf(Job));
    item_ = window->JobListView()->AddJobItem(this, QString::fromStdString(titleOf(Job)), image);
    item_->setIcon(0, ImageIcon(image));
  }
}

TGetSiteEvents::~TGetSiteEvents() {
  removeItem();
  if (TMainWindow *window = TMainWindow::Instance()) window->SinkGone(this);
  flyer_->Detach();
}

ComPtr<IGetSiteJob> TGetSiteEvents::GetJob() { return ComPtr<IGetSiteJob>(job_); }

void TGetSiteEvents::StateChanged() {
  if (!job_) return;
  const TJobState state = stateOf(job_);
  if (item_) item_->setIcon(0, ImageIcon(JobStateImage(state)));
  if (TMainWindow *window = TMainWindow::Instance()) window->JobStateChanged(job_, state);
}

void TGetSiteEvents::JobRemoved() {
  if (!KernelShuttingDown) removeItem();
  if (TMainWindow *window = TMainWindow::Instance())
    if (job_) window->JobStateChanged(job_, jsStopped);
  job_ = nullptr;
}

void TGetSiteEvents::removeItem() {
  if (!item_) return;
  QTreeWidgetItem *item = item_;
  item_ = nullptr;
  if (shown_) SetShown(false);
  if (TMainWindow *window = TMainWindow::Instance()) window->SinkGone(this);
  delete item;
}

void TGetSiteEvents::LinkChanged(const TEntryList &EntryPath, const TLinkDescription &) {
  if (!shown_) return;
  if (TMainWindow *window = TMainWindow::Instance()) window->DirectoryTree()->UpdatePath(EntryPath);
}

void TGetSiteEvents::LinkListChanged(const TEntryList &EntryPath, TLinkState) {
  if (!shown_) return;
  if (TMainWindow *window = TMainWindow::Instance()) {
    window->DirectoryTree()->UpdatePath(EntryPath);
    window->DirectoryTree()->Refill(EntryPath);
  }
}

void TGetSiteEvents::RequestChanged() {
  if (!item_ || !job_) return;
  item_->setText(0, QString::fromStdString(titleOf(job_)));
  if (TMainWindow *window = TMainWindow::Instance()) window->SelectionChanged();
}

void TGetSiteEvents::SelectJobItem() {
  if (!item_) return;
  if (TMainWindow *window = TMainWindow::Instance()) window->JobListView()->SelectAlone(item_);
}

ComPtr<IIThreadContextSupport> TGetSiteEvents::GetFileEvents() {
  return ComPtr<IIThreadContextSupport>(static_cast<IIThreadContextSupport *>(flyer_.get()));
}

void TGetSiteEvents::SetShown(bool Shown) {
  shown_ = Shown;
  if (KernelShuttingDown) return;
  TMainWindow *window = TMainWindow::Instance();
  if (!window) return;
  QPlainTextEdit *errorLog = window->ErrorLog();
  TDirectoryTreeView *tree = window->DirectoryTree();
  if (!Shown) {
    errorLog->clear();
    tree->Unbind();
    return;
  }
  QStringList lines;
  for (const std::string &line : log_)
    lines << QString::fromStdString(line);
  errorLog->setPlainText(lines.join('\n'));
  if (!linkListView_ && job_) {
    ComPtr<ILinkList> links;
    OleCheck(job_->get_LinkList(links.put()));
    linkListView_ = links.As<IILinkListView>();
  }
  tree->Bind(linkListView_);
}

void TGetSiteEvents::AddLogLine(const std::string &Text) {
  log_.push_back(Text);
  if (!shown_) return;
  if (TMainWindow *window = TMainWindow::Instance())
    window->ErrorLog()->appendPlainText(QString::fromStdString(Text));
}

ComPtr<IIGetSiteEvents> NewGetSiteEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TGetSiteEvents>(Job);
}

} // namespace zs::ui
