// The site of the crash and resume tests: page i links to pages 2i+1 and 2i+2 (while they
// are below the page count) and to one image of its own, so that every page is found by
// exactly one other and the whole site is known only once its pages have been fetched.
#pragma once

#include <string>
#include <vector>

#include "kernel/interfaces.h"

namespace zs::testing {

inline std::string CrawlPageURL(int page) {
  return "http://site.test/p" + std::to_string(page) + ".html";
}

inline std::string CrawlImageURL(int page) {
  return "http://site.test/i" + std::to_string(page) + ".png";
}

// The page of a URL of the site, -1 for an image or another URL.
inline int CrawlPageOf(const std::string &url) {
  const std::string prefix = "http://site.test/p";
  if (url.rfind(prefix, 0) != 0) return -1;
  return std::stoi(url.substr(prefix.size()));
}

// What the fetch of a URL finds.
inline std::vector<TLinkDescription> CrawlLinksFound(const std::string &url, int pages) {
  std::vector<TLinkDescription> found;
  const int page = CrawlPageOf(url);
  if (page < 0) return found;
  for (int child : {2 * page + 1, 2 * page + 2})
    if (child < pages) found.push_back({CrawlPageURL(child), ltAHref, {}, nullptr});
  found.push_back({CrawlImageURL(page), ltImage, {}, nullptr});
  return found;
}

} // namespace zs::testing
