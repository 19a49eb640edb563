// Character references in attribute values: decoding a value before it is judged as a URL,
// and writing a new value so that it reads back as the same text.
#pragma once

#include <string>
#include <string_view>

namespace zs::parsing {

// The value with its character references replaced: &#ddd; and &#xhh; (the semicolon is
// optional) of value 1 to 255, a hexadecimal one only up to six characters from the
// ampersand through the semicolon; &name; with a name of at most six characters from the
// entity table. The characters are written in UTF-8. Any other ampersand stays as it is.
// Returns the value itself when it holds no ampersand, otherwise Scratch holding the result.
std::string_view DecodeCharacterReferences(std::string_view Value, std::string &Scratch);

// Appends Text as the value of an attribute quoted with Quote (0 for an unquoted value):
// ", &, < and > as named references, and whatever would end the value where it stands (its
// own quote; white space in an unquoted value) as numeric ones.
void AppendAttributeValue(std::string &Output, std::string_view Text, char Quote);

} // namespace zs::parsing
