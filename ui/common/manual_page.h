// Manual pages made from the same texts that the programs' --help prints, so that the two
// cannot tell different stories.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zs::ui {

struct TManualPage {
  std::string Name;    // the program's name
  std::string Summary; // one line: what it is
  std::string Synopsis;
  std::string Description;
  // Further sections in order: a title ("COMMANDS", "EXIT STATUS", ...) and its text. In a
  // text, a line that is not indented starts an entry, and the indented lines after it are
  // the entry's body; a text without indented lines is plain paragraphs.
  std::vector<std::pair<std::string, std::string>> Sections;
};

// The page in the man(7) format of section 1.
std::string ManualPageText(const TManualPage &Page);

} // namespace zs::ui
