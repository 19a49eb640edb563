// The link from a local folder to a local file, written as a relative URL.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zs::links {

// The components of a local path: for an absolute path an empty first component (the
// root), then its segments. Runs of separators count as one, as they do when the files are
// written. Views into path; components is replaced.
void splitLocalPath(std::string_view path, std::vector<std::string_view> &components);

// Appends the path from the folder whose components are given to the target file, with /
// separators and every byte a browser would read otherwise percent-encoded, so that the
// link opens exactly the target. Folders compare case-sensitively. Without a common root
// (no base folder) the target is written as an absolute path. scratch is working space.
void appendRelativeLink(std::string &out, const std::vector<std::string_view> &baseComponents,
                        std::string_view target, std::vector<std::string_view> &scratch);

} // namespace zs::links
