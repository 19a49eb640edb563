#include "links/url_operations.h"

#include <algorithm>

namespace zs::links {

namespace {

bool isAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool isSchemeChar(char c) { return isAsciiLetterOrDigit(c) || c == '+' || c == '-' || c == '.'; }
bool isHostChar(char c) { return isAsciiLetterOrDigit(c) || c == '-' || c == '.'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

void lowerInPlace(std::string &text) {
  std::transform(text.begin(), text.end(), text.begin(), lowerChar);
}

// Whether text, lower-cased, equals lower (which is compared as it stands).
bool equalsLowerCased(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(),
                    [](char a, char b) { return lowerChar(a) == b; });
}

void clearFields(TParsedURL &url) {
  url.Simple = false;
  for (std::string *field : {&url.Sheme, &url.UserAndPass, &url.Prefix, &url.Domain, &url.Port,
                             &url.Path, &url.FileName, &url.Query, &url.Anchor})
    field->clear(); // keeps the capacity for the next URL
}

// Takes the port off the host, checks both, and splits off a prefix to ignore.
bool finishHost(TParsedURL &url, TURLSettings &settings) {
  size_t colon = url.Domain.find(':');
  if (colon != std::string::npos) {
    url.Port.assign(url.Domain, colon + 1);
    url.Domain.resize(colon);
    if (url.Port.empty() || !std::all_of(url.Port.begin(), url.Port.end(), isDigit)) return false;
  }
  if (url.Domain.empty() || !std::all_of(url.Domain.begin(), url.Domain.end(), isHostChar))
    return false;
  size_t firstDot = url.Domain.find('.');
  // An empty first label is never a prefix: taking it off would change the host.
  if (firstDot == 0 || firstDot == std::string::npos ||
      url.Domain.find('.', firstDot + 1) == std::string::npos || !settings.IgnorePrefix())
    return true;
  std::string_view label(url.Domain.data(), firstDot);
  if (equalsLowerCased(label, settings.PrefixToIgnore(url.Sheme))) {
    url.Prefix.assign(label);
    url.Domain.erase(0, firstDot + 1);
  }
  return true;
}

// The first position from pos whose character stops the scan; the end when none does.
template <typename TStop> size_t scan(std::string_view text, size_t pos, TStop stops) {
  while (pos < text.size() && !stops(text[pos]))
    ++pos;
  return pos;
}

// Moves the text after the last separator of the path into FileName.
void splitFileName(TParsedURL &url) {
  if (url.Sheme == "file" && url.Path.size() == 2 && url.Path[1] == ':') return; // bare drive
  size_t nameStart = url.Path.size();
  while (nameStart > 0 && !isPathSeparator(url.Path[nameStart - 1]))
    --nameStart;
  url.FileName.assign(url.Path, nameStart);
  url.Path.resize(nameStart);
}

void escapeBytes(std::string &text) {
  auto outside = [](char c) { return c < '!' || c > '~'; };
  auto first = std::find_if(text.begin(), text.end(), outside);
  if (first == text.end()) return;
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  std::string escaped(text.begin(), first);
  escaped.reserve(text.size() + 16);
  for (auto it = first; it != text.end(); ++it) {
    if (!outside(*it)) {
      escaped += *it;
      continue;
    }
    unsigned char byte = static_cast<unsigned char>(*it);
    escaped += '%';
    escaped += hexDigits[byte >> 4];
    escaped += hexDigits[byte & 15];
  }
  text.swap(escaped);
}

} // namespace

bool Parse(std::string_view url, TParsedURL &result, bool doSimplify, TURLSettings &settings) {
  clearFields(result);
  if (url.empty()) return true;

  enum { sScheme, sAfterColon, sAuthority, sHost, sPath, sQuery } state = sScheme;
  size_t start = 0; // where the token being read began
  auto finish = [&] {
    splitFileName(result);
    if (doSimplify) Simplify(result, settings);
    return true;
  };
  // Each state either consumes the character it stops at (break) or hands it on to the next
  // state (continue); the states of the host, path and query scan up to their delimiter at
  // once. Every state that sees the end of the text leaves the loop.
  for (size_t pos = 0;;) {
    const bool atEnd = pos == url.size();
    const char c = atEnd ? '\0' : url[pos];
    switch (state) {
    case sScheme:
      if (atEnd) {
        result.Path.assign(url);
        return finish();
      }
      if (isSchemeChar(c)) break;
      if (c == ':' && pos > 0) {
        result.Sheme.assign(url.substr(0, pos));
        start = pos + 1;
        state = sAfterColon;
        break;
      }
      state = sPath;
      continue;
    case sAfterColon:
      if (atEnd) return false;
      if (pos - start < 2) {
        if (c != '/') return false;
        break;
      }
      if (c == '/') { // a third slash: no host, and the path keeps no leading slash
        start = pos + 1;
        state = sPath;
        break;
      }
      start = pos;
      state = sAuthority;
      continue;
    case sAuthority:
      pos = scan(url, pos, [](char c) { return c == '@' || c == '/'; });
      if (pos < url.size() && url[pos] == '@') {
        result.UserAndPass.assign(url.substr(start, pos - start));
        start = pos + 1;
        state = sHost;
        break;
      }
      [[fallthrough]];
    case sHost:
      pos = scan(url, pos, [](char c) { return c == '/'; });
      result.Domain.assign(url.substr(start, pos - start));
      start = pos;
      state = sPath;
      if (!finishHost(result, settings)) return false;
      continue;
    case sPath:
      pos = scan(url, pos, [](char c) { return c == '?' || c == '#'; });
      result.Path.assign(url.substr(start, pos - start));
      start = pos;
      if (pos < url.size() && url[pos] == '?') {
        state = sQuery;
        break;
      }
      if (pos < url.size()) result.Anchor.assign(url.substr(pos));
      return finish();
    case sQuery:
      pos = scan(url, pos, [](char c) { return c == '#'; });
      result.Query.assign(url.substr(start, pos - start));
      if (pos < url.size()) result.Anchor.assign(url.substr(pos));
      return finish();
    }
    ++pos;
  }
}

void Simplify(TParsedURL &url, TURLSettings &settings) {
  lowerInPlace(url.Sheme);
  if (url.UserAndPass == ":") url.UserAndPass.clear();
  url.Prefix.clear();
  lowerInPlace(url.Domain);
  if (url.Port.empty()) url.Port = settings.DefaultPort(url.Sheme);
  if (url.Path.empty()) url.Path = "/";
  url.Simple = true;
}

void Unparse(const TParsedURL &url, std::string &result) {
  result.clear();
  result.reserve(url.Sheme.size() + url.UserAndPass.size() + url.Prefix.size() + url.Domain.size() +
                 url.Port.size() + url.Path.size() + url.FileName.size() + url.Query.size() +
                 url.Anchor.size() + 8);
  result += url.Sheme;
  result += "://";
  if (!url.UserAndPass.empty()) (result += url.UserAndPass) += '@';
  if (!url.Prefix.empty()) (result += url.Prefix) += '.';
  result += url.Domain;
  if (!url.Port.empty()) (result += ':') += url.Port;
  // A URL without host (file:///home/a.htm) keeps its path without the leading slash; the
  // third slash comes back here, or the first path segment would read as the host.
  if (!url.Sheme.empty() && url.Domain.empty() && url.UserAndPass.empty() && url.Prefix.empty() &&
      url.Port.empty())
    result += '/';
  result += url.Path;
  result += url.FileName;
  result += url.Query;
  result += url.Anchor;
}

void EscapeCheck(TParsedURL &url) {
  escapeBytes(url.Path);
  escapeBytes(url.FileName);
  escapeBytes(url.Query);
}

bool IsLocalAnchor(const TParsedURL &url) {
  return !url.Anchor.empty() && url.FileName.empty() && url.Query.empty() && url.Path.empty() &&
         url.Domain.empty();
}

bool IsSameSite(const TParsedURL &site, const TParsedURL &url) {
  return url.Sheme == site.Sheme && url.Prefix == site.Prefix &&
         url.UserAndPass == site.UserAndPass && url.Domain == site.Domain &&
         url.Port == site.Port && url.Path.starts_with(site.Path);
}

bool IsInSite(const TParsedURL &site, const TParsedURL &url, TURLSettings &settings) {
  const std::string_view user = url.UserAndPass == ":" ? std::string_view() : url.UserAndPass;
  if (!equalsLowerCased(url.Sheme, site.Sheme) || !site.Prefix.empty() ||
      user != site.UserAndPass || !equalsLowerCased(url.Domain, site.Domain))
    return false;
  const std::string &port = url.Port.empty() ? settings.DefaultPort(url.Sheme) : url.Port;
  const std::string_view path = url.Path.empty() ? std::string_view("/") : url.Path;
  return port == site.Port && path.starts_with(site.Path);
}

void removeDotSegments(std::string &path) {
  const size_t root = !path.empty() && isPathSeparator(path[0]) ? 1 : 0;
  // Segments move towards the front in place: the cleaned path is never longer.
  size_t write = root;
  for (size_t read = root; read < path.size();) {
    size_t end = read;
    while (end < path.size() && !isPathSeparator(path[end]))
      ++end;
    const size_t length = end - read;
    const bool dotsOnly =
        std::all_of(path.begin() + read, path.begin() + end, [](char c) { return c == '.'; });
    if (!dotsOnly) {
      const size_t withSeparator = end < path.size() ? length + 1 : length;
      std::copy(path.begin() + read, path.begin() + read + withSeparator, path.begin() + write);
      write += withSeparator;
    } else if (length == 2 && write > root) {
      // Back over the previous segment to just after the separator before it.
      size_t back = write - 1;
      while (back > root && !isPathSeparator(path[back - 1]))
        --back;
      write = back;
    }
    read = end + 1;
  }
  path.resize(write);
}

} // namespace zs::links
