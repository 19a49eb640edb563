#include "ui/desktop/program_icons.h"

#include <iterator>
#include <map>

namespace zs::ui {

namespace {

QIcon resource(const char *name) { return QIcon(QStringLiteral(":/icons/%1.svg").arg(name)); }

} // namespace

QIcon ImageIcon(int Image) {
  static constexpr const char *images[] = {"job-stopped", "job-running", "job-finished",
                                           "host",        "folder",      "file-waiting",
                                           "file-ok",     "file-bad"};
  return Image >= 0 && Image < int(std::size(images)) ? resource(images[Image]) : QIcon();
}

int JobStateImage(TJobState State) {
  switch (State) {
  case jsRunning: return 1;
  case jsFinished: return 2;
  default: return 0;
  }
}

int FileStateImage(TLinkState State) {
  switch (State) {
  case lsCompleteOK: return 6;
  case lsCompleteBad:
  case lsRejected: return 7;
  default: return 5;
  }
}

QIcon ActionIcon(const std::string &ActionName) {
  static const std::map<std::string, const char *> icons = {
      {"ListAddNew", "add"},        {"ListRemove", "remove"},
      {"ListImportJob", "import"},  {"ListOpenList", "import"},
      {"ListSaveList", "export"},   {"JobRun", "run"},
      {"JobStop", "stop"},          {"JobRetry", "reset"},
      {"JobRefresh", "refresh"},    {"JobProperties", "properties"},
      {"ToolsOptions", "options"},  {"ToolsCustomize", "customize"},
      {"HelpContents", "contents"}, {"HelpContextAction", "whats-this"},
      {"HelpAbout", "about"},
  };
  auto found = icons.find(ActionName);
  return found == icons.end() ? QIcon() : resource(found->second);
}

QIcon ApplicationIcon() { return resource("application"); }

} // namespace zs::ui
