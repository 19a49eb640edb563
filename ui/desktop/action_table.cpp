#include "ui/desktop/action_table.h"

#include <algorithm>

#include "platform/exceptions.h"

namespace zs::ui {

namespace {

constexpr TActionRec actions[] = {
    {"ListAddNew", "List", "&Add New Job...", "Add New Job|Type new task, and enquee it as a Job",
     "Ctrl+N", 19, false},
    {"ListRemove", "List", "&Remove", "Remove selected|Remove selected jobs from JobList", "", 6,
     false},
    {"ListImportJob", "List", "I&mport Job...",
     "Import Job|Open Job form its directory and enquee it in the JobList", "", 7, false},
    {"ListOpenList", "List", "&Import JobList...",
     "Import JobList|Load JobList from an external file", "", 8, false},
    {"ListSaveList", "List", "&Export JobList...",
     "Export JobList|Save JobList to an external file", "", 9, false},
    {"ListExit", "List", "E&xit", "Exit|Exit the program", "", 10, false},
    {"JobRun", "Job", "&Run", "Job Run|Run selected Jobs", "", 1, false},
    {"JobStop", "Job", "&Stop", "Job Stop|Stop selected Jobs", "", 2, false},
    {"JobRetry", "Job", "Reset &unloaded",
     "Job reset unloaded|Mark as Unprocessed links, which marked as Bad", "", 3, false},
    {"JobRefresh", "Job", "Re&fresh",
     "Job Refresh|Bring selected Jobs up to date: ask for every link again and fetch what changed",
     "", 17, false},
    {"JobProperties", "Job", "&Properties...", "Job Properties|Show Job Properties Dialog", "", 4,
     false},
    // Caption, hint and image are those of JobRun or JobStop, set as the selection changes.
    {"ThisJobAction", "Job", "", "", "", 0, false},
    {"JobAllJobsTitle", "Job", "-", "All Jobs|", "", 0, false},
    {"ViewDetailPane", "View", "&Detail Pane", "Detail Pane|Detail Pane showing Trigger", "", 11,
     true},
    {"ToolsOptions", "Tools", "&Options...", "Options|Open program Options dialog", "", 12, false},
    {"ToolsCustomize", "Tools", "&Customize...", "Customize|Customize the Tool Bar", "", 13, false},
    {"HelpContents", "Help", "&Contents",
     "Help Contents|Show program help with Contents page active", "F1", 15, false},
    {"HelpTopicSearch", "Help", "&Topic Search",
     "Topic Search|Show program help with Topic Search page active", "", 16, false},
    {"HelpContextAction", "Help", "&What's this?",
     "What's this?|Open the help page, associated with the control, you point", "", 14, false},
    {"HelpAbout", "Help", "&About...", "", "", 17, false},
    {"DebuggingMustDie", "Tools", "DebuggingMustDie", "", "Ctrl+F2", 0, false},
    {"CheckMemPerformance", "", "Check memory performance", "", "", 0, false},
};

} // namespace

std::span<const TActionRec> ActionTable() { return actions; }

const TActionRec &ActionRec(const std::string &Name) {
  for (const TActionRec &action : actions)
    if (Name == action.Name) return action;
  throw platform::Exception("No action " + Name);
}

std::string ShortHint(const TActionRec &Action) {
  const std::string hint = Action.Hint;
  return hint.substr(0, hint.find('|'));
}

std::string LongHint(const TActionRec &Action) {
  const std::string hint = Action.Hint;
  const size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

const char *TJobActionRules::ThisJobCommand() const {
  return !states_.empty() && states_.front() == jsRunning ? "JobStop" : "JobRun";
}

bool TJobActionRules::ThisJobEnabled() const {
  return Count() == 1 && states_.front() != jsFinished;
}

bool TJobActionRules::any(TJobState state) const {
  return std::ranges::find(states_, state) != states_.end();
}

} // namespace zs::ui
