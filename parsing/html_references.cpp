#include "parsing/html_references.h"

#include <cstdint>

#include "parsing/html_entities.h"
#include "parsing/html_tokenizer.h"
#include "platform/text.h"

namespace zs::parsing {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A numeric value stops growing once it is out of range, so that any run of digits is
// read without overflow.
constexpr uint32_t outOfRange = 256;

struct TReference {
  size_t Length = 0; // from the ampersand, including the semicolon; 0: no reference
  char32_t Code = 0;
};

// The numeric reference at the start of text ("&#..."), if it names a character we write.
TReference numericReference(std::string_view text) {
  const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
  size_t at = hex ? 3 : 2;
  const size_t digitsStart = at;
  uint32_t value = 0;
  for (; at < text.size(); ++at) {
    const int digit =
        hex ? platform::HexDigitValue(text[at]) : (isDigit(text[at]) ? text[at] - '0' : -1);
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + uint32_t(digit);
    if (value > outOfRange) value = outOfRange;
  }
  if (at == digitsStart) return {};
  if (at < text.size() && text[at] == ';') ++at;
  if (hex && at > 6) return {};
  if (value < 1 || value > 255) return {};
  return {at, char32_t(value)};
}

constexpr size_t maxEntityName = 6;

// The named reference at the start of text ("&name;"), if the table knows the name.
TReference namedReference(std::string_view text) {
  size_t at = 1;
  while (at < text.size() && at <= maxEntityName + 1 && (isLetter(text[at]) || isDigit(text[at])))
    ++at;
  const size_t nameLength = at - 1;
  if (nameLength == 0 || nameLength > maxEntityName) return {};
  if (at >= text.size() || text[at] != ';') return {};
  auto code = FindEntity(text.substr(1, nameLength));
  if (!code) return {};
  return {at + 1, *code};
}

} // namespace

std::string_view DecodeCharacterReferences(std::string_view Value, std::string &Scratch) {
  size_t amp = Value.find('&');
  if (amp == std::string_view::npos) return Value;
  Scratch.clear();
  size_t copied = 0;
  for (; amp != std::string_view::npos; amp = Value.find('&', amp + 1)) {
    std::string_view rest = Value.substr(amp);
    TReference reference =
        rest.size() > 1 && rest[1] == '#' ? numericReference(rest) : namedReference(rest);
    if (!reference.Length) continue;
    Scratch.append(Value, copied, amp - copied);
    platform::AppendUtf8(Scratch, reference.Code);
    copied = amp + reference.Length;
    amp = copied - 1;
  }
  Scratch.append(Value, copied);
  return Scratch;
}

void AppendAttributeValue(std::string &Output, std::string_view Text, char Quote) {
  for (char c : Text) {
    switch (c) {
    case '"': Output += "&quot;"; continue;
    case '&': Output += "&amp;"; continue;
    case '<': Output += "&lt;"; continue;
    case '>': Output += "&gt;"; continue;
    default: break;
    }
    const bool endsValue = Quote ? c == Quote : IsHTMLWhitespace(c);
    if (endsValue) {
      Output += "&#";
      Output += std::to_string(static_cast<unsigned char>(c));
      Output += ';';
    } else {
      Output += c;
    }
  }
}

} // namespace zs::parsing
