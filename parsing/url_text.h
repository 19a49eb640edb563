// A URL as a page writes it, read as a browser reads it.
#pragma once

#include <string>
#include <string_view>

namespace zs::parsing {

// Text without the control characters and spaces before and after it, and without the tabs
// and line breaks inside it: a browser ignores them, so href=" a.html" and a URL broken over
// two lines lead where the same URL written plainly does. Returns a view of Text itself when
// nothing inside had to go, otherwise Scratch holding the result.
std::string_view CleanURLText(std::string_view Text, std::string &Scratch);

} // namespace zs::parsing
