// The stateless URL operations: splitting a URL into the fields of TParsedURL, joining them
// again, normalising, and the tests that judge a parsed URL. TURLServices publishes them;
// TURLParser calls them directly with the settings it keeps.
#pragma once

#include <string>
#include <string_view>

#include "kernel/interfaces.h"
#include "links/url_settings.h"

namespace zs::links {

// False when the URL does not parse; the fields then hold what was read up to the fault.
// A URL that parses is simplified when asked.
bool Parse(std::string_view URL, TParsedURL &Result, bool DoSimplify, TURLSettings &Settings);
void Simplify(TParsedURL &URL, TURLSettings &Settings);
// Writes into Result, replacing what it held.
void Unparse(const TParsedURL &URL, std::string &Result);
void EscapeCheck(TParsedURL &URL);
bool IsLocalAnchor(const TParsedURL &URL);
bool IsSameSite(const TParsedURL &SiteURL, const TParsedURL &URL);
// IsSameSite of the simplified SiteURL and URL as Simplify would make it, without the copy
// that simplifying would need: a parser asks this for every link of a page.
bool IsInSite(const TParsedURL &SiteURL, const TParsedURL &URL, TURLSettings &Settings);

inline bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

// Cleans a directory path in place: a segment of dots only other than ".." (so also an
// empty one) goes with the separator that ends it, ".." goes with the segment before it.
// A path that starts with a separator stays rooted; ".." never climbs above the start.
void removeDotSegments(std::string &Path);

} // namespace zs::links
