#include "parsing/url_text.h"

#include <algorithm>

namespace zs::parsing {

namespace {

bool isControlOrSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool isTabOrNewline(char c) { return c == '\t' || c == '\n' || c == '\r'; }

} // namespace

std::string_view CleanURLText(std::string_view Text, std::string &Scratch) {
  while (!Text.empty() && isControlOrSpace(Text.front()))
    Text.remove_prefix(1);
  while (!Text.empty() && isControlOrSpace(Text.back()))
    Text.remove_suffix(1);
  if (std::ranges::none_of(Text, isTabOrNewline)) return Text;
  Scratch.clear();
  std::ranges::copy_if(Text, std::back_inserter(Scratch),
                       [](char c) { return !isTabOrNewline(c); });
  return Scratch;
}

} // namespace zs::parsing
