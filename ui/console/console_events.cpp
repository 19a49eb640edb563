#include "ui/console/console_events.h"

#include <memory>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/quiet_get_site_events.h"
#include "ui/common/job_texts.h"
#include "ui/console/console_monitor.h"

namespace zs::ui {

namespace {

// Carries a line of a job's log from a worker thread to the main thread.
void showLogLine(void *line) {
  std::unique_ptr<std::string> text(static_cast<std::string *>(line));
  // Where a redirect led is worth a line only to whoever asked for every detail; the refresh's
  // summary has a line of its own on the standard output.
  if (text->starts_with(WarningLine(std::string(RedirectedText))) ||
      text->starts_with(WarningLine(RefreshSummaryText)))
    TConsoleMonitor::Instance().Detail(*text);
  else
    TConsoleMonitor::Instance().LogLine(*text);
}

void postLogLine(std::string text) {
  PostToMainThread(&showLogLine, new std::string(std::move(text)));
}

// A job's event sink. The console keeps no view of its own: it asks the job list for what it
// shows, so most events need no answer here.
class TConsoleJobEvents final : public TQuietGetSiteEvents<IIThreadContextSupport> {
public:
  using TQuietGetSiteEvents::TQuietGetSiteEvents;

  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    return ComPtr<IIThreadContextSupport>(static_cast<IIThreadContextSupport *>(this));
  }

  // Runs in the worker thread that is about to work for the job.
  void Install() override {
    InstallThreadReporters([](const std::string &text) { postLogLine(WarningLine(text)); },
                           [](const std::string &source, const std::string &text) {
                             postLogLine(ErrorLine(source, text));
                           });
  }
};

// The display of one fetch: counts bytes and running fetches.
class TConsoleFetchDisplay final : public platform::TComObject<IIGetFileEvents> {
public:
  explicit TConsoleFetchDisplay(std::string url) : url_(std::move(url)) {}

  void Begin() override {
    begun_ = true;
    TConsoleMonitor::Instance().FetchBegun();
  }
  void Progress(bool SizeKnown, int64_t Position, int64_t Amount) override {
    const int64_t read = SizeKnown ? Position : Amount;
    TConsoleMonitor::Instance().BytesRead(read - read_);
    read_ = read;
  }
  void Finished(bool Success) override {
    if (!begun_) return;
    begun_ = false;
    TConsoleMonitor::Instance().FetchEnded();
    TConsoleMonitor::Instance().Detail((Success ? "fetched " : "failed  ") + url_);
  }

private:
  const std::string url_;
  bool begun_ = false;
  int64_t read_ = 0;
};

} // namespace

ComPtr<IIGetSiteEvents> NewConsoleJobEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TConsoleJobEvents>(Job);
}

ComPtr<IIGetFileEvents> NewConsoleFetchDisplay(const std::string &URL) {
  return platform::MakeCom<TConsoleFetchDisplay>(URL);
}

} // namespace zs::ui
