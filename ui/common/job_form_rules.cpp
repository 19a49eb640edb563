#include "ui/common/job_form_rules.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "kernel/interfaces.h"

namespace zs::ui {

std::string FileURLOfPath(const std::string &Path) {
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : Path) {
    if (std::isalnum(c) || std::string_view("/-._~").find(char(c)) != std::string_view::npos) {
      url += char(c);
    } else {
      url += '%';
      url += hexDigits[c >> 4];
      url += hexDigits[c & 15];
    }
  }
  std::error_code failure;
  if (!url.ends_with('/') && std::filesystem::is_directory(Path, failure)) url += '/';
  return url;
}

std::string CompleteTypedURL(const std::string &Text) {
  if (Text.empty()) return Text;
  // Local paths are absolute here: the counterpart of a drive letter is the leading slash.
  if (Text.front() == '/') return FileURLOfPath(Text);
  const size_t colon = Text.find(':');
  const size_t slash = Text.find('/');
  const size_t backslash = Text.find('\\');
  // A separator before the first colon means the colon is no scheme's ("host:8080/...") or
  // there is no scheme at all.
  const bool noScheme = colon == std::string::npos ||
                        (slash != std::string::npos && slash < colon) ||
                        (backslash != std::string::npos && backslash < colon);
  if (noScheme && Text.front() != '\\') return "http://" + Text;
  return Text;
}

std::string ProposedSiteURL(const std::string &PageText) {
  TParsedURL page;
  if (!ParseURL(CompleteTypedURL(Trimmed(PageText)), page, false)) return {};
  if (page.Domain.empty() && page.Sheme != "file") return {};
  page.FileName.clear();
  page.Query.clear();
  page.Anchor.clear();
  return UnparseURL(page);
}

std::string ProposedTitle(bool Browsable, bool InsideOnly, const std::string &SiteText,
                          const std::string &PageText) {
  const std::string url = CompleteTypedURL(Trimmed(InsideOnly ? SiteText : PageText));
  if (url.empty()) return {};
  return std::string(Browsable ? "Browsable" : "Exact") +
         (InsideOnly ? " copy of " : " copy from ") + url;
}

std::optional<long> WholeNumberIn(const std::string &Text, long Min, long Max) {
  const std::string digits = Trimmed(Text);
  long value = 0;
  const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || failure != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  if (value < Min || value > Max) return std::nullopt;
  return value;
}

bool IsHostName(const std::string &Text) {
  if (Text.empty()) return false;
  bool named = false; // a letter or a hyphen somewhere
  int parts = 0;
  size_t start = 0;
  while (true) {
    const size_t dot = std::min(Text.find('.', start), Text.size());
    if (dot == start) return false; // an empty part
    for (size_t i = start; i < dot; ++i) {
      const unsigned char c = Text[i];
      if (std::isalpha(c) || c == '-')
        named = true;
      else if (!std::isdigit(c))
        return false;
    }
    ++parts;
    if (dot == Text.size()) break;
    start = dot + 1;
  }
  return named || parts == 4;
}

std::string Trimmed(const std::string &Text) {
  const size_t first = Text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return Text.substr(first, Text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace zs::ui
