// Text conversions. Strings inside the program are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zs::platform {

// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Windows-1252 to UTF-8 (for files written by the Windows build).
std::string Windows1252ToUtf8(std::string_view text);
// Appends one code point as UTF-8; the caller passes only valid code points.
void AppendUtf8(std::string &out, char32_t c);
// The value of a hexadecimal digit, -1 for any other byte.
int HexDigitValue(char c);
// Text with each %XX replaced by its byte; a "%" not followed by two hexadecimal digits
// stands for itself.
std::string DecodePercentEscapes(std::string_view text);

// ASCII case-insensitive comparison and lower-casing.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
int CompareTextIgnoringCase(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view text);

// The text without the spaces and tabs at its ends.
std::string_view WithoutBlanksAround(std::string_view text);

} // namespace zs::platform
