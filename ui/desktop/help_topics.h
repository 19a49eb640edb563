// The program's help: HTML pages in the folder "help/" beside the program, one per topic,
// opened in the desktop's browser.
#pragma once

#include <string>

namespace zs::ui {

// The topic's page and place ("Job Menu.htm#JobMenu_Run") for the numbers 1 to 20; empty
// for any other number.
std::string HelpTopic(int Number);
// Whether the help folder is there at all.
bool HelpAvailable();
// Opens the page of a topic, the contents or the index. A page that is missing raises an
// error that names its file; nothing is opened then.
void ShowHelpTopic(int Number);
void ShowHelpContents();
void ShowHelpIndex();

} // namespace zs::ui
