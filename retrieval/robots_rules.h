// What a site's robots.txt allows a copier: the rules of the group that names this program
// (or of the groups for every robot, when none does), and the pause it asks for between
// fetches.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace zs::retrieval {

class TRobotsRules {
public:
  // Everything allowed, no pause: a site without a robots.txt.
  TRobotsRules() = default;
  // Agent: the User-Agent this program sends; a group names it by the product name before
  // the first "/", compared without blanks or punctuation and ignoring case ("Zelvor Sumbra"
  // or "zelvorsumbra" for "Zelvor Sumbra!/ver 1.0"). Lines that are no rule are skipped.
  TRobotsRules(std::string_view Text, std::string_view Agent);

  // PathAndQuery: the path of a URL with its query, as it is asked for ("/a/b.html?x=1").
  // The longest rule that matches decides, an Allow winning a tie; "*" in a rule stands for
  // any text and a "$" ending it for the end of the path. robots.txt itself is always allowed.
  bool Allows(std::string_view PathAndQuery) const;

  // Zero when the site asks for no pause.
  std::chrono::milliseconds CrawlDelay() const { return crawlDelay_; }

private:
  struct TRule {
    std::string Pattern; // percent escapes in upper case, bytes past ASCII escaped
    bool Allow;
  };
  std::vector<TRule> rules_;
  std::chrono::milliseconds crawlDelay_{0};
};

} // namespace zs::retrieval
