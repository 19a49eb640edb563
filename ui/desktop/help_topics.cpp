#include "ui/desktop/help_topics.h"

#include <QDesktopServices>
#include <QUrl>
#include <filesystem>
#include <iterator>

#include "platform/exceptions.h"
#include "platform/folders.h"

namespace zs::ui {

namespace {

constexpr const char *topics[] = {
    "Job Menu.htm#JobMenu_Run",
    "Job Menu.htm#JobMenu_Stop",
    "Job Menu.htm#JobMenu_Unloaded",
    "Job Menu.htm#JobMenu_Properties",
    "List Menu.htm#ListMenu_Add_New_Job",
    "List Menu.htm#ListMenu_Remove_Selected",
    "List Menu.htm#ListMenu_Import_Job",
    "List Menu.htm#ListMenu_Import_JobList",
    "List Menu.htm#ListMenu_Export_JobList",
    "List Menu.htm#ListMenu_Exit",
    "Tools Menu.htm#ToolsMenu_Detail",
    "Tools Menu.htm#ToolsMenu_Options",
    "Tools Menu.htm#ToolsMenu_Customize",
    "Help_Menu.htm#HelpMenu_What_this",
    "Help_Menu.htm#HelpMenu_Contens",
    "Help_Menu.htm#HelpMenu_Index",
    "Help_Menu.htm#HelpMenu_About",
    "New_Job.htm",
    "Job_Properties.htm",
    "Options.htm",
};

std::string helpFolder() { return platform::ProgramFolder() + "help/"; }

void showPage(const std::string &page) {
  const size_t hash = page.find('#');
  const std::string file = helpFolder() + page.substr(0, hash);
  if (!std::filesystem::is_regular_file(file))
    throw platform::Exception("The help page " + file + " is missing");
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
  if (hash != std::string::npos) url.setFragment(QString::fromStdString(page.substr(hash + 1)));
  QDesktopServices::openUrl(url);
}

} // namespace

std::string HelpTopic(int Number) {
  return Number >= 1 && Number <= int(std::size(topics)) ? topics[Number - 1] : "";
}

bool HelpAvailable() { return std::filesystem::is_directory(helpFolder()); }

void ShowHelpTopic(int Number) {
  const std::string topic = HelpTopic(Number);
  if (!topic.empty()) showPage(topic);
}

void ShowHelpContents() { showPage("index.htm"); }
void ShowHelpIndex() { showPage("Topic Index.htm"); }

} // namespace zs::ui
