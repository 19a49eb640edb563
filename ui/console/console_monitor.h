// What the console shows while jobs run: one live status line on a terminal (plain lines
// otherwise), the warnings and errors of the jobs' logs on standard error as they arrive,
// and the files fetched when asked to be verbose. Used only in the main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/console/console_options.h"

namespace zs::ui {

struct TLinkCounts {
  int64_t Done = 0;    // copied
  int64_t Waiting = 0; // not yet fetched, or being fetched
  int64_t Failed = 0;
};

class TConsoleMonitor {
public:
  static TConsoleMonitor &Instance();

  void SetVerbosity(TVerbosity verbosity) { verbosity_ = verbosity; }
  TVerbosity Verbosity() const { return verbosity_; }

  // A line of a job's log: always shown, on standard error, unless quiet.
  void LogLine(const std::string &text);
  // A line shown only when verbose.
  void Detail(const std::string &text);

  // Fetch progress, from the fetch displays.
  void FetchBegun() { ++running_; }
  void BytesRead(int64_t count) { bytes_ += count; }
  void FetchEnded() { --running_; }
  int Running() const { return running_; }

  // Shows the state of a run with the links as countLinks finds them; on a terminal at most
  // a few times a second unless forced, and countLinks is called only when it shows.
  void ShowStatus(const std::function<TLinkCounts()> &countLinks, bool force);
  // Ends the status line so that later output starts on a line of its own.
  void EndStatus();

private:
  TConsoleMonitor();
  void clearStatus();

  TVerbosity verbosity_ = TVerbosity::Normal;
  const bool terminal_;
  bool statusShown_ = false;
  int running_ = 0;
  int64_t bytes_ = 0;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point nextStatus_{};
};

// "12 KB" and the like.
std::string SizeText(int64_t bytes);

} // namespace zs::ui
