#include "ui/common/manual_page.h"

#include <sstream>

namespace zs::ui {

namespace {

// Text as roff reads it literally: backslashes doubled, hyphens as hyphens, and no line
// that starts with a control character.
std::string escaped(const std::string &Line) {
  std::string out;
  for (char c : Line) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

std::string trimmedStart(const std::string &Line) {
  const size_t first = Line.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : Line.substr(first);
}

void writeSection(std::ostringstream &Out, const std::string &Text) {
  std::istringstream lines(Text);
  bool entries = Text.find("\n ") != std::string::npos;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) {
      Out << ".PP\n";
    } else if (entries && line.front() != ' ') {
      Out << ".TP\n.B " << escaped(line) << "\n";
    } else {
      Out << escaped(trimmedStart(line)) << "\n";
    }
  }
}

} // namespace

std::string ManualPageText(const TManualPage &Page) {
  std::ostringstream out;
  out << ".TH " << Page.Name << " 1 \"\" \"Zelvor Sumbra\" \"User Commands\"\n";
  out << ".SH NAME\n" << Page.Name << " \\- " << escaped(Page.Summary) << "\n";
  out << ".SH SYNOPSIS\n";
  writeSection(out, Page.Synopsis);
  out << ".SH DESCRIPTION\n";
  writeSection(out, Page.Description);
  for (const auto &[title, text] : Page.Sections) {
    out << ".SH " << title << "\n";
    writeSection(out, text);
  }
  return out.str();
}

} // namespace zs::ui
