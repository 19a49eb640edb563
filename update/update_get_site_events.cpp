#include "update/update_get_site_events.h"

#include <memory>

#include "platform/detached_program.h"
#include "platform/safecall.h"

namespace zs::update {

using platform::OleCheck;

namespace {

void startProgram(void *Argument) {
  std::unique_ptr<std::string> file(static_cast<std::string *>(Argument));
  platform::StartDetachedProgram(*file);
}

class TUpdGetSiteEvents final : public platform::TComObject<IIGetSiteEvents> {
public:
  explicit TUpdGetSiteEvents(IKGetSiteJob *Job)
      : job_(Job), shown_(CreateDefaultGetSiteEvents(Job)) {}

  ComPtr<IGetSiteJob> GetJob() override { return shown_->GetJob(); }
  void JobRemoved() override { shown_->JobRemoved(); }
  void LinkChanged(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) override {
    shown_->LinkChanged(EntryPath, LinkDesc);
  }
  void RequestChanged() override { shown_->RequestChanged(); }
  void SelectJobItem() override { shown_->SelectJobItem(); }
  bool IsUpdateJob() override { return true; }
  void LinkListChanged(const TEntryList &EntryPath, TLinkState NewState) override {
    shown_->LinkListChanged(EntryPath, NewState);
  }
  ComPtr<IIThreadContextSupport> GetFileEvents() override { return shown_->GetFileEvents(); }

  void StateChanged() override {
    shown_->StateChanged();
    TJobState state = jsStopped;
    OleCheck(job_->get_State(&state));
    if (state == jsFinished) jobFinished();
  }

private:
  void jobFinished() {
    bool allComplete = true;
    job_->GetInternalLinkList()->EnumerateLinks(
        [&](const TLinkDescription &, int32_t, TLinkState State) {
          if (State != lsCompleteOK && allComplete) {
            allComplete = false;
            warn(IncompleteUpdateWarning);
          }
        });
    if (!allComplete) return;
    ComPtr<IJobRequest> request;
    OleCheck(job_->get_JobRequest(request.put()));
    TURL pageURL;
    OleCheck(request->get_PageURL(&pageURL));
    ComPtr<IURLParser> parser = CreateURLParser("", request.get());
    bool accepted = false;
    OleCheck(parser->SetURL(pageURL, &accepted));
    auto file = std::make_unique<std::string>();
    OleCheck(parser->GetLocalFileName(file.get()));
    // The job goes first; the program starts once this handling has returned.
    OleCheck(job_->Remove());
    PostToMainThread(&startProgram, file.release());
  }

  // A warning in the job's log, as its fetches report theirs.
  void warn(const std::string &Text) {
    ComPtr<IIThreadContextSupport> reporter = shown_->GetFileEvents();
    if (!reporter) return;
    reporter->Install();
    ReportWarning(Text);
    UninstallThreadReporters();
  }

  // Not counted: the job holds its sink.
  IKGetSiteJob *job_;
  const ComPtr<IIGetSiteEvents> shown_;
};

} // namespace

ComPtr<IIGetSiteEvents> NewUpdGetSiteEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TUpdGetSiteEvents>(Job);
}

} // namespace zs::update
