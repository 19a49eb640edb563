// A job as the window shows it: the job's event sink owns its row in the job list and its
// log, and, while the job fills the detail pane, the directory tree and the error log. Its
// flyer is the reporter that the job's worker threads install; it carries their warnings and
// errors to the log.
#pragma once

#include <string>
#include <vector>

#include "kernel/interfaces.h"

class QTreeWidgetItem;

namespace zs::ui {

class TGetSiteEventsContextFlyer;

class TGetSiteEvents : public platform::TComObject<IIGetSiteEvents> {
public:
  explicit TGetSiteEvents(IKGetSiteJob *Job);
  ~TGetSiteEvents() override;

  ComPtr<IGetSiteJob> GetJob() override;
  void StateChanged() override;
  void JobRemoved() override;
  void LinkChanged(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) override;
  void RequestChanged() override;
  void SelectJobItem() override;
  bool IsUpdateJob() override { return false; }
  void LinkListChanged(const TEntryList &EntryPath, TLinkState NewState) override;
  ComPtr<IIThreadContextSupport> GetFileEvents() override;

  // Whether the job fills the detail pane; shown, it puts its log into the error log and its
  // links into the directory tree.
  void SetShown(bool Shown);
  bool Shown() const { return shown_; }
  void AddLogLine(const std::string &Text);
  const std::vector<std::string> &Log() const { return log_; }
  // The window lets go of the row it holds (the window is going).
  void ForgetItem() { item_ = nullptr; }

private:
  void removeItem();
  // Not counted: the job holds its sink; cleared when the job is removed.
  IKGetSiteJob *job_;
  ComPtr<IILinkListView> linkListView_; // taken on first use
  QTreeWidgetItem *item_ = nullptr;     // owned by the job list view
  std::vector<std::string> log_;
  bool shown_ = false;
  ComPtr<TGetSiteEventsContextFlyer> flyer_;
};

ComPtr<IIGetSiteEvents> NewGetSiteEvents(IKGetSiteJob *Job);

} // namespace zs::ui
