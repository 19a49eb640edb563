// The named character references of HTML 4.01, with the upper-case names that pages
// written for old browsers use.
#pragma once

#include <optional>
#include <string_view>

namespace zs::parsing {

// The code point of an entity name, compared case-sensitively; none for an unknown name.
std::optional<char32_t> FindEntity(std::string_view Name);

} // namespace zs::parsing
