#include "links/relative_link.h"

namespace zs::links {

namespace {

// Bytes that a browser would not take literally in a relative URL path: % starts an
// escape, # a fragment, ? a query, \ is a separator, tabs, line breaks and outer spaces are
// dropped, other bytes are read in the page's encoding. ' ( and ) end or break an unquoted
// url() in a style sheet.
bool needsEscape(char c) {
  return c < '!' || c > '~' || c == '%' || c == '#' || c == '?' || c == '\\' || c == '\'' ||
         c == '(' || c == ')';
}

// Appends a local path as URL text; / stays the separator.
void appendURLPath(std::string &out, std::string_view path) {
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  for (char c : path) {
    if (!needsEscape(c)) {
      out += c;
      continue;
    }
    unsigned char byte = static_cast<unsigned char>(c);
    out += '%';
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 15];
  }
}

} // namespace

void splitLocalPath(std::string_view path, std::vector<std::string_view> &components) {
  components.clear();
  if (!path.empty() && path[0] == '/') components.emplace_back();
  for (size_t start = 0; start < path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
}

void appendRelativeLink(std::string &out, const std::vector<std::string_view> &baseComponents,
                        std::string_view target, std::vector<std::string_view> &scratch) {
  std::vector<std::string_view> &targetComponents = scratch;
  splitLocalPath(target, targetComponents);
  if (baseComponents.empty() || targetComponents.empty() ||
      baseComponents[0] != targetComponents[0]) {
    appendURLPath(out, target);
    return;
  }
  // Folders in common after the root; the target's last component is its file name.
  size_t common = 1;
  while (common < baseComponents.size() && common + 1 < targetComponents.size() &&
         baseComponents[common] == targetComponents[common])
    ++common;
  for (size_t up = common; up < baseComponents.size(); ++up)
    out += "../";
  for (size_t i = common; i < targetComponents.size(); ++i) {
    appendURLPath(out, targetComponents[i]);
    out += '/';
  }
  if (common < targetComponents.size() && !target.ends_with('/')) out.pop_back();
}

} // namespace zs::links
