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

// The requisites of today's markup: media, posters, SVG references and the attributes that
// lazy-loading scripts read. srcset has a kind of its own (several URLs in one value).
constexpr std::array<TTagInfo, 17> ModernTagsInfo = {{
    {"data-background", "", ltImage},
    {"data-bg", "", ltImage},
    {"data-lazy-src", "", ltImage},
    {"data-original", "", ltImage},
    {"data-src", "", ltImage},
    {"href", "image", ltImage},
    {"href", "use", ltImage},
    {"poster", "video", ltImage},
    {"src", "audio", ltEmbedded},
    {"src", "source", ltEmbedded},
    {"src", "track", ltEmbedded},
    {"src", "video", ltEmbedded},
    {"xlink:href", "image", ltImage},
    {"xlink:href", "use", ltImage},
    {"srcset", "img", tiCandidates},
    {"srcset", "source", tiCandidates},
    {"data-srcset", "", tiCandidates},
}};

// Most attributes of a page carry no link: a name whose length and first letter match no
// row of a table is known at once.
template <size_t Rows> struct TTagsIndex {
  constexpr explicit TTagsIndex(const std::array<TTagInfo, Rows> &Table) : table(Table) {
    for (const TTagInfo &row : Table)
      letters[row.Attribute.size()] |= 1u << (row.Attribute[0] - 'a');
  }
  uint8_t find(std::string_view Attribute, std::string_view Element) const {
    if (Attribute.empty() || Attribute.size() >= letters.size() || Attribute[0] < 'a' ||
        Attribute[0] > 'z' || !(letters[Attribute.size()] >> (Attribute[0] - 'a') & 1))
      return 0;
    for (const TTagInfo &row : table)
      if (row.Attribute == Attribute && (row.Element.empty() || row.Element == Element))
        return row.Code;
    return 0;
  }
  const std::array<TTagInfo, Rows> &table;
  std::array<uint32_t, 16> letters{};
};

constexpr TTagsIndex tagsIndex(TagsInfo);
constexpr TTagsIndex modernTagsIndex(ModernTagsInfo);

bool hasToken(std::string_view List, std::string_view Token) {
  size_t start = 0;
  while (start < List.size()) {
    const size_t end = std::min(List.find_first_of(" \t\r\n\f", start), List.size());
    if (platform::SameTextIgnoringCase(List.substr(start, end - start), Token)) return true;
    start = end + 1;
  }
  return false;
}

} // namespace

uint8_t FindTagsInfo(std::string_view Attribute, std::string_view Element, bool Modern) {
  if (const uint8_t code = tagsIndex.find(Attribute, Element)) return code;
  return Modern ? modernTagsIndex.find(Attribute, Element) : 0;
}

bool IsRawTextElement(std::string_view Element) {
  return Element == "script" || Element == "style" || Element == "plaintext" || Element == "xml";
}

bool HasRelAttribute(std::string_view Element) { return Element == "a" || Element == "link"; }

std::optional<TLinkType> LinkTypeOfRel(std::string_view Value, bool Modern) {
  if (Value.empty()) return ltAHref;
  if (platform::SameTextIgnoringCase(Value, "stylesheet")) return ltStylesheet;
  if (!Modern) return std::nullopt;
  if (hasToken(Value, "stylesheet")) return ltStylesheet;
  for (std::string_view icon :
       {"icon", "apple-touch-icon", "apple-touch-icon-precomposed", "mask-icon"})
    if (hasToken(Value, icon)) return ltImage;
  for (std::string_view fetched : {"preload", "prefetch", "modulepreload", "manifest"})
    if (hasToken(Value, fetched)) return ltEmbedded;
  return std::nullopt;
}

} // namespace zs::parsing
