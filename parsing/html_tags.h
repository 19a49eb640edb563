// The HTML parser's knowledge of elements: which attributes carry links (TagsInfo), which
// elements hold content that is not HTML, and what a rel attribute says.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "kernel/interfaces.h"

namespace zs::parsing {

// A TagsInfo code: 1 to 9 are link types; these mark links of their own kind.
inline constexpr uint8_t tiTypeFromRel = 255; // an href whose type a rel attribute gives
inline constexpr uint8_t tiBaseAddress = 254; // the href of base
inline constexpr uint8_t tiCandidates = 253;  // a srcset: image candidates, each a URL

// The code of an attribute on an element (both lower-case); 0 when it carries no link.
// Modern adds the requisites of today's markup.
uint8_t FindTagsInfo(std::string_view Attribute, std::string_view Element, bool Modern);

// "script", "style", "plaintext" and "xml": their content is handed on as a custom block.
bool IsRawTextElement(std::string_view Element);

// Whether the element understands a rel attribute (a and link).
bool HasRelAttribute(std::string_view Element);

// The link type a rel value gives, if any: "stylesheet" in any case gives ltStylesheet, an
// empty value ltAHref; any other value says nothing. Modern reads the value as a list of
// keywords and adds icons (ltImage) and what is fetched ahead (ltEmbedded).
std::optional<TLinkType> LinkTypeOfRel(std::string_view Value, bool Modern);

} // namespace zs::parsing
