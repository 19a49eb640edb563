#include "parsing/css_escapes.h"

#include <cstdint>

#include "platform/text.h"

namespace zs::parsing {

namespace {

void appendCodePoint(std::string &out, uint32_t code) {
  if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
  platform::AppendUtf8(out, code);
}

} // namespace

void DecodeCSSEscapes(std::string_view Text, std::string &Result) {
  Result.clear();
  for (size_t at = 0; at < Text.size();) {
    const char c = Text[at++];
    if (c != '\\') {
      Result += c;
      continue;
    }
    if (at == Text.size()) break; // a backslash at the end stands for nothing
    if (Text[at] == '\n') {
      ++at;
      continue;
    }
    if (platform::HexDigitValue(Text[at]) < 0) {
      Result += Text[at++];
      continue;
    }
    uint32_t code = 0;
    for (int digits = 0; digits < 6 && at < Text.size() && platform::HexDigitValue(Text[at]) >= 0;
         ++digits)
      code = code * 16 + uint32_t(platform::HexDigitValue(Text[at++]));
    // One blank after the code belongs to the escape.
    if (at < Text.size() && (Text[at] == ' ' || Text[at] == '\t' || Text[at] == '\n')) ++at;
    appendCodePoint(Result, code);
  }
}

void AppendCSSURL(std::string &Out, std::string_view URL) {
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  for (char c : URL) {
    const bool escape = static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\'' || c == '(' ||
                        c == ')' || c == '\\';
    if (!escape) {
      Out += c;
      continue;
    }
    Out += '%';
    Out += hexDigits[static_cast<unsigned char>(c) >> 4];
    Out += hexDigits[c & 15];
  }
}

} // namespace zs::parsing
