// The escapes of style sheet text: "\(" for "(", "\28 " for the same byte by its code, a
// backslash before a line end inside a string for nothing.
#pragma once

#include <string>
#include <string_view>

namespace zs::parsing {

// Text with its escapes replaced by what they stand for (code points as UTF-8; zero, a
// surrogate or a code past U+10FFFF as U+FFFD), into Result.
void DecodeCSSEscapes(std::string_view Text, std::string &Result);

// Appends a URL so that it reads back as itself wherever a reference stands, quoted or
// not: blanks, quotes, parentheses and backslashes go as %XX.
void AppendCSSURL(std::string &Out, std::string_view URL);

} // namespace zs::parsing
