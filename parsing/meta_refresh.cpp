#include "parsing/meta_refresh.h"

#include "platform/text.h"

namespace zs::parsing {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

size_t skipBlanks(std::string_view text, size_t at) {
  while (at < text.size() && isBlank(text[at]))
    ++at;
  return at;
}

} // namespace

bool IsRefreshDirective(std::string_view HttpEquiv) {
  const size_t start = skipBlanks(HttpEquiv, 0);
  size_t end = HttpEquiv.size();
  while (end > start && isBlank(HttpEquiv[end - 1]))
    --end;
  return platform::SameTextIgnoringCase(HttpEquiv.substr(start, end - start), "refresh");
}

std::optional<TRefreshTarget> FindRefreshTarget(std::string_view Content, bool IsRefresh) {
  size_t at = skipBlanks(Content, 0);
  const size_t delay = at;
  while (at < Content.size() && ((Content[at] >= '0' && Content[at] <= '9') || Content[at] == '.'))
    ++at;
  if (at == delay) return std::nullopt;
  at = skipBlanks(Content, at);
  if (at == Content.size() || (Content[at] != ';' && Content[at] != ',')) return std::nullopt;
  at = skipBlanks(Content, at + 1);
  bool named = false;
  if (platform::SameTextIgnoringCase(Content.substr(at, 3), "url")) {
    const size_t equals = skipBlanks(Content, at + 3);
    if (equals < Content.size() && Content[equals] == '=') {
      at = skipBlanks(Content, equals + 1);
      named = true;
    }
  }
  if (!named && !IsRefresh) return std::nullopt;
  size_t end = Content.size();
  if (at < end && (Content[at] == '"' || Content[at] == '\'')) {
    const char quote = Content[at++];
    end = std::min(Content.find(quote, at), Content.size());
  } else {
    while (end > at && isBlank(Content[end - 1]))
      --end;
  }
  if (end == at) return std::nullopt;
  return TRefreshTarget{at, end - at};
}

} // namespace zs::parsing
