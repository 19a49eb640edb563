// The page a <meta http-equiv="refresh" content="5; url=next.html"> sends the reader to.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zs::parsing {

// Whether an http-equiv value asks for a refresh.
bool IsRefreshDirective(std::string_view HttpEquiv);

// Where the URL stands in a content value: after the delay, ";" or ",", and "url=" and an
// opening quote when written. Without "url=" the rest counts only when IsRefresh says the tag
// is a refresh already; a content that names no page has no target.
struct TRefreshTarget {
  size_t Start = 0;
  size_t Length = 0;
};
std::optional<TRefreshTarget> FindRefreshTarget(std::string_view Content, bool IsRefresh);

} // namespace zs::parsing
