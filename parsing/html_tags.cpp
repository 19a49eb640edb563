#include "parsing/html_tags.h"

#include <array>

#include "platform/text.h"

namespace zs::parsing {

namespace {

struct TTagInfo {
  std::string_view Attribute;
  std::string_view Element; // empty: any element
  uint8_t Code;
};

constexpr std::array<TTagInfo, 19> TagsInfo = {{
    {"action", "form", ltFormAction},
    {"background", "", ltImage},
    {"cite", "", ltExtra},
    {"classid", "object", ltEmbedded},
    {"codebase", "applet", ltEmbedded},
    {"codebase", "object", ltEmbedded},
    {"data", "object", ltEmbedded},
    {"href", "a", tiTypeFromRel},
    {"href", "area", ltAHref},
    {"href", "base", tiBaseAddress},
    {"href", "link", tiTypeFromRel},
    {"longdesc", "", ltExtra},
    {"profile", "head", ltExtra},
    {"src", "embed", ltEmbedded},
    {"src", "frame", ltFrame},
    {"src", "iframe", ltFrame},
    {"src", "img", ltImage},
    {"src", "input", ltImage},
    {"usemap", "", ltFrame},
}};

} // namespace

uint8_t FindTagsInfo(std::string_view Attribute, std::string_view Element) {
  // Most attributes of a page carry no link: a name whose length and first letter match no
  // row is known at once.
  static constexpr auto firstLetters = [] {
    std::array<uint32_t, 16> letters{};
    for (const TTagInfo &row : TagsInfo)
      letters[row.Attribute.size()] |= 1u << (row.Attribute[0] - 'a');
    return letters;
  }();
  if (Attribute.empty() || Attribute.size() >= firstLetters.size() || Attribute[0] < 'a' ||
      Attribute[0] > 'z' || !(firstLetters[Attribute.size()] >> (Attribute[0] - 'a') & 1))
    return 0;
  for (const TTagInfo &row : TagsInfo)
    if (row.Attribute == Attribute && (row.Element.empty() || row.Element == Element))
      return row.Code;
  return 0;
}

bool IsRawTextElement(std::string_view Element) {
  return Element == "script" || Element == "style" || Element == "plaintext" || Element == "xml";
}

bool HasRelAttribute(std::string_view Element) { return Element == "a" || Element == "link"; }

std::optional<TLinkType> LinkTypeOfRel(std::string_view Value) {
  if (Value.empty()) return ltAHref;
  if (platform::SameTextIgnoringCase(Value, "stylesheet")) return ltStylesheet;
  return std::nullopt;
}

} // namespace zs::parsing
