#include "links/local_names.h"

#include <array>

namespace zs::links {

namespace {

constexpr std::string_view escapedCharacters = "\\/<>:?*\"|&";
constexpr std::string_view codeLetters = "bslrcqatd&";
static_assert(escapedCharacters.size() == codeLetters.size());

// The code letter of each byte, or 0 for a byte that is written as it is.
constexpr std::array<char, 256> codeLetterTable = [] {
  std::array<char, 256> table{};
  for (size_t i = 0; i < escapedCharacters.size(); ++i)
    table[static_cast<unsigned char>(escapedCharacters[i])] = codeLetters[i];
  return table;
}();

} // namespace

void appendLocalName(std::string &out, std::string_view text, bool escapeSeparators) {
  size_t plainStart = 0; // bytes written as they are go in one append
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char code = codeLetterTable[static_cast<unsigned char>(c)];
    if (!code) continue;
    out.append(text, plainStart, i - plainStart);
    plainStart = i + 1;
    if (!escapeSeparators && (c == '/' || c == '\\')) {
      out += '/';
    } else {
      out += '&';
      out += code;
    }
  }
  out.append(text, plainStart);
}

void neutraliseDotName(std::string &out, size_t nameStart) {
  std::string_view name = std::string_view(out).substr(nameStart);
  if (name == "." || name == "..") out.insert(nameStart, 1, '&');
}

} // namespace zs::links
