#include "retrieval/robots_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/text.h"

namespace zs::retrieval {

namespace {

// A robot's name as groups are compared: letters and digits only, in lower case.
std::string robotName(std::string_view text) {
  std::string name;
  for (char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// Paths and rules compared in one spelling: escapes in upper case, bytes past ASCII and
// blanks escaped.
std::string comparable(std::string_view text) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '%' && i + 2 < text.size() && platform::HexDigitValue(text[i + 1]) >= 0 &&
        platform::HexDigitValue(text[i + 2]) >= 0) {
      result += '%';
      result += static_cast<char>(std::toupper(static_cast<unsigned char>(text[++i])));
      result += static_cast<char>(std::toupper(static_cast<unsigned char>(text[++i])));
    } else if (c >= 0x80 || c <= ' ') {
      result += '%';
      result += hex[c >> 4];
      result += hex[c & 15];
    } else {
      result += static_cast<char>(c);
    }
  }
  return result;
}

// Whether Pattern matches the start of Path (or all of it, for a pattern ending in "$").
// Each piece between stars is found at its first place after the piece before: for patterns
// of stars and text this finds a match whenever there is one, in time linear in the path
// per piece.
bool matches(std::string_view pattern, std::string_view path) {
  const bool anchored = pattern.ends_with('$');
  if (anchored) pattern.remove_suffix(1);
  size_t star = pattern.find('*');
  std::string_view first = pattern.substr(0, star);
  if (!path.starts_with(first)) return false;
  if (star == std::string_view::npos) return !anchored || path.size() == first.size();
  size_t at = first.size();
  pattern.remove_prefix(star + 1);
  for (;;) {
    star = pattern.find('*');
    std::string_view piece = pattern.substr(0, star);
    if (star == std::string_view::npos) {
      if (!anchored) return path.find(piece, at) != std::string_view::npos;
      return path.size() >= at + piece.size() && path.ends_with(piece);
    }
    size_t found = path.find(piece, at);
    if (found == std::string_view::npos) return false;
    at = found + piece.size();
    pattern.remove_prefix(star + 1);
  }
}

std::optional<std::chrono::milliseconds> delayOf(std::string_view text) {
  double seconds = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
      seconds < 0)
    return std::nullopt;
  // A day is more than any copy waits; what is beyond it is the same as a day.
  return std::chrono::milliseconds(static_cast<int64_t>(std::min(seconds, 86400.0) * 1000));
}

} // namespace

TRobotsRules::TRobotsRules(std::string_view Text, std::string_view Agent) {
  const std::string agent = robotName(Agent.substr(0, Agent.find('/')));
  if (Text.starts_with("\xEF\xBB\xBF")) Text.remove_prefix(3);
  // The rules of the groups that name this program, and of those for every robot; the
  // first are used when a group names it.
  std::vector<TRule> named, everyone;
  std::optional<std::chrono::milliseconds> namedDelay, everyoneDelay;
  bool forUs = false, forEveryone = false, inAgents = false, namedFound = false;
  while (!Text.empty()) {
    size_t end = Text.find_first_of("\n\r");
    std::string_view line = Text.substr(0, end);
    Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + 1);
    line = platform::WithoutBlanksAround(line.substr(0, line.find('#')));
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = platform::WithoutBlanksAround(line.substr(0, colon));
    const std::string_view value = platform::WithoutBlanksAround(line.substr(colon + 1));
    if (platform::SameTextIgnoringCase(key, "user-agent")) {
      // Agent lines in a row make one group; an agent line after rules starts the next.
      if (!inAgents) forUs = forEveryone = false;
      inAgents = true;
      if (value == "*")
        forEveryone = true;
      else if (!agent.empty() && robotName(value) == agent)
        forUs = namedFound = true;
      continue;
    }
    inAgents = false;
    const bool allow = platform::SameTextIgnoringCase(key, "allow");
    if (allow || platform::SameTextIgnoringCase(key, "disallow")) {
      // "Disallow:" with nothing forbids nothing.
      if (value.empty()) continue;
      if (forUs) named.push_back({comparable(value), allow});
      if (forEveryone) everyone.push_back({comparable(value), allow});
    } else if (platform::SameTextIgnoringCase(key, "crawl-delay")) {
      std::optional<std::chrono::milliseconds> delay = delayOf(value);
      if (forUs && !namedDelay) namedDelay = delay;
      if (forEveryone && !everyoneDelay) everyoneDelay = delay;
    }
  }
  // A group that names this program is its rules, even when it has none.
  rules_ = std::move(namedFound ? named : everyone);
  crawlDelay_ = (namedFound ? namedDelay : everyoneDelay).value_or(std::chrono::milliseconds{0});
}

bool TRobotsRules::Allows(std::string_view PathAndQuery) const {
  if (PathAndQuery == "/robots.txt") return true;
  const std::string path = comparable(PathAndQuery);
  size_t longest = 0;
  bool allowed = true;
  for (const TRule &rule : rules_) {
    if (rule.Pattern.size() < longest || !matches(rule.Pattern, path)) continue;
    if (rule.Pattern.size() > longest || rule.Allow) allowed = rule.Allow;
    longest = rule.Pattern.size();
  }
  return allowed;
}

} // namespace zs::retrieval
