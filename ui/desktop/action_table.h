// The window's commands, declared once: caption, hint, short-cut, category and help topic of
// each, and the rules that enable the job commands for a selection of jobs. Menus, the tool
// bar and the pop-up menus all show these actions.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::ui {

struct TActionRec {
  const char *Name;     // also the key of the tool bar layout
  const char *Category; // empty: on no menu
  const char *Caption;
  // The short hint (tool tip) before "|", the long hint (status bar) after it.
  const char *Hint;
  const char *ShortCut; // in Qt's portable text; empty: none
  int HelpTopic;        // 0: none
  bool Checkable;
};

// Every action in declaration order.
std::span<const TActionRec> ActionTable();
// The action of that name; EInternal when there is none.
const TActionRec &ActionRec(const std::string &Name);
// The short and the long part of a hint.
std::string ShortHint(const TActionRec &Action);
std::string LongHint(const TActionRec &Action);

// What the selection of jobs allows: built from the states of the selected jobs, in list
// order.
class TJobActionRules {
public:
  explicit TJobActionRules(std::vector<TJobState> SelectedStates)
      : states_(std::move(SelectedStates)) {}

  int Count() const { return static_cast<int>(states_.size()); }
  bool RemoveEnabled() const { return Count() >= 1; }
  bool RunEnabled() const { return any(jsStopped); }
  bool StopEnabled() const { return any(jsRunning); }
  bool RetryEnabled() const { return Count() >= 1; }
  // A running job goes on as it is; any other can be brought up to date.
  bool RefreshEnabled() const { return any(jsStopped) || any(jsFinished); }
  bool PropertiesEnabled() const { return Count() == 1; }
  // The single job's toggle: which command it stands for ("JobRun" or "JobStop"), and
  // whether it is enabled (not for a finished job). Only meaningful for one job.
  const char *ThisJobCommand() const;
  bool ThisJobEnabled() const;

private:
  bool any(TJobState state) const;
  std::vector<TJobState> states_;
};

} // namespace zs::ui
