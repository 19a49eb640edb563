#include "persistence/document_text.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace zs::persistence {

namespace {

using platform::SameTextIgnoringCase;

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The encoding that the XML declaration at the start of the text names; empty when the text
// has no declaration or the declaration names none.
std::string_view declaredEncoding(std::string_view text) {
  if (text.starts_with(utf8ByteOrderMark)) text.remove_prefix(utf8ByteOrderMark.size());
  if (!text.starts_with("<?xml") || text.size() < 6 || !isSpace(text[5])) return {};
  std::string_view declaration = text.substr(0, text.find("?>"));
  size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  at += std::strlen("encoding");
  while (at < declaration.size() && isSpace(declaration[at]))
    ++at;
  if (at >= declaration.size() || declaration[at] != '=') return {};
  ++at;
  while (at < declaration.size() && isSpace(declaration[at]))
    ++at;
  if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
  size_t close = declaration.find(declaration[at], at + 1);
  if (close == std::string_view::npos) return {};
  return declaration.substr(at + 1, close - at - 1);
}

// Every sequence complete and shortest, no surrogate, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
  size_t size = text.size(), i = 0;
  while (i < size) {
    // Documents are mostly ASCII: eight bytes at a time while no high bit is set.
    uint64_t word;
    if (size - i >= sizeof word) {
      std::memcpy(&word, bytes + i, sizeof word);
      if ((word & 0x8080808080808080u) == 0) {
        i += sizeof word;
        continue;
      }
    }
    unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    uint32_t code, least;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (size - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
      code = code << 6 | (bytes[i + k] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

} // namespace

std::string DocumentTextAsUtf8(std::string bytes) {
  std::string_view encoding = declaredEncoding(bytes);
  if (SameTextIgnoringCase(encoding, "Windows-1252")) return platform::Windows1252ToUtf8(bytes);
  if (!encoding.empty() && !SameTextIgnoringCase(encoding, "UTF-8") &&
      !SameTextIgnoringCase(encoding, "Windows-65001"))
    throw platform::Exception("The document is in the encoding \"" + std::string(encoding) +
                              "\", which cannot be read");
  if (!isValidUtf8(bytes)) throw platform::Exception("The document is not valid UTF-8 text");
  return bytes;
}

} // namespace zs::persistence
