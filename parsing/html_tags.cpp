#include "parsing/html_tags.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

namespace zs::parsing {

namespace {

struct TTagInfo {
  std::string_view Attribute;
  std::string_view Element; // empty: any element
  uint8_t Code;
};

// Sorted by attribute, so that the rows of one attribute are found by binary search.
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

static_assert(std::is_sorted(TagsInfo.begin(), TagsInfo.end(),
                             [](const TTagInfo &a, const TTagInfo &b) {
                               return a.Attribute < b.Attribute;
                             }));

} // namespace

uint8_t FindTagsInfo(std::string_view Attribute, std::string_view Element) {
  auto first = std::lower_bound(
      TagsInfo.begin(), TagsInfo.end(), Attribute,
      [](const TTagInfo &row, std::string_view name) { return row.Attribute < name; });
  for (auto row = first; row != TagsInfo.end() && row->Attribute == Attribute; ++row)
    if (row->Element.empty() || row->Element == Element) return row->Code;
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
