#include "ui/console/console_monitor.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace zs::ui {

namespace {

using Clock = std::chrono::steady_clock;

// Plain lines go to a log file or a pipe: one every few seconds is plenty there.
constexpr auto terminalInterval = std::chrono::milliseconds(250);
constexpr auto plainInterval = std::chrono::seconds(5);

} // namespace

std::string SizeText(int64_t bytes) {
  char text[32];
  if (bytes < 1000)
    std::snprintf(text, sizeof text, "%lld bytes", (long long)bytes);
  else if (bytes < 1024000)
    std::snprintf(text, sizeof text, "%.1f KB", double(bytes) / 1024);
  else
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1048576);
  return text;
}

TConsoleMonitor &TConsoleMonitor::Instance() {
  static TConsoleMonitor monitor;
  return monitor;
}

TConsoleMonitor::TConsoleMonitor() : terminal_(isatty(STDERR_FILENO) == 1) {}

void TConsoleMonitor::clearStatus() {
  if (!statusShown_) return;
  std::fputs("\r\033[K", stderr);
  statusShown_ = false;
}

void TConsoleMonitor::LogLine(const std::string &text) {
  if (verbosity_ == TVerbosity::Quiet) return;
  clearStatus();
  std::fprintf(stderr, "%s\n", text.c_str());
}

void TConsoleMonitor::Detail(const std::string &text) {
  if (verbosity_ == TVerbosity::Verbose) LogLine(text);
}

void TConsoleMonitor::ShowStatus(const std::function<TLinkCounts()> &countLinks, bool force) {
  if (verbosity_ == TVerbosity::Quiet) return;
  const Clock::time_point now = Clock::now();
  if (!force && now < nextStatus_) return;
  const TLinkCounts counts = countLinks();
  // Counting walks every link: on a big site the line shows less often, so that counting
  // never takes more than a twentieth of the time.
  nextStatus_ = now + std::max<Clock::duration>(terminal_ ? terminalInterval : plainInterval,
                                                20 * (Clock::now() - now));
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? double(bytes_) / seconds : 0;
  char line[256];
  std::snprintf(line, sizeof line, "%lld done, %lld waiting, %lld failed, %s, %d fetching, %s/s",
                (long long)counts.Done, (long long)counts.Waiting, (long long)counts.Failed,
                SizeText(bytes_).c_str(), running_, SizeText(int64_t(rate)).c_str());
  if (terminal_) {
    std::fprintf(stderr, "\r\033[K%s", line);
    statusShown_ = true;
  } else {
    std::fprintf(stderr, "%s\n", line);
  }
  std::fflush(stderr);
}

void TConsoleMonitor::EndStatus() {
  if (!statusShown_) return;
  std::fputc('\n', stderr);
  statusShown_ = false;
}

} // namespace zs::ui
