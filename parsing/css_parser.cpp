#include "parsing/css_parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "parsing/copy_type.h"
#include "parsing/css_escapes.h"
#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

// Where the reading of a sheet stands. Outside today's sheets only "url(" and its reference
// are read, and a reference ends at the first blank, quote or parenthesis.
enum TMatch : uint8_t {
  mtNone,
  mtKeyword,       // part of a keyword read: "url(" or "@import"
  mtOpen,          // after "url(", before the reference
  mtUnquoted,      // a reference without quotes
  mtQuoted,        // a reference in quotes: in url(), after @import, in image-set()
  mtToClose,       // after a reference in url(), up to its ")"
  mtImport,        // after "@import", before its string or url()
  mtImageSet,      // between the candidates of image-set()
  mtSkippedString, // a string in image-set() that names no image: type("image/webp")
  mtSlash,         // a "/" that may open a comment
  mtComment        // inside /* */
};

// Where a quoted reference stands, which says what follows its closing quote.
enum TQuotedIn : uint8_t { qiURL, qiImport, qiImageSet };

constexpr std::string_view urlKeyword = "url(";
constexpr std::string_view importKeyword = "@import";
// Read backwards from the "(" that follows it, as "(" is rarer in a sheet than its letters.
constexpr std::string_view imageSetName = "image-set";
constexpr size_t unknownPosition = ~size_t{0};
// The bytes that may start something of a today's sheet besides "url(", each searched for
// on its own so that the scan stays one memchr per candidate start.
constexpr std::array<char, 3> modernStarts = {'@', '/', '('};

// The bytes that end a reference. Line breaks, tabs and form feeds are white space in a
// style sheet as much as the space is: taken into the reference, they would be judged as
// part of the URL and lost from the copy.
constexpr std::array<bool, 256> referenceEnds = [] {
  std::array<bool, 256> ends{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\f', '\'', '"', ')'})
    ends[c] = true;
  return ends;
}();

bool endsReference(char c) { return referenceEnds[static_cast<unsigned char>(c)]; }

// Where the plain run of an unquoted reference of today's sheets stops: its ends, a "(",
// which no URL there may hold, and the backslash of an escape.
constexpr std::array<bool, 256> unquotedStops = [] {
  std::array<bool, 256> stops = referenceEnds;
  stops['('] = stops['\\'] = true;
  return stops;
}();
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// An advanced parser, so that a page keeps one for all its style attributes and elements
// instead of making one for each.
class TCSSParser final : public platform::TComObject<IAdvancedParser> {
public:
  HRESULT Init(IURLParser *URLParser, IJobRequest *JobRequest, TLinkReportFunction ReportLink,
               void *Context, IParams *, ICustomParseProcessor *) override {
    return SafeCall([&] {
      browsable_ = IsBrowsableCopy(*JobRequest);
      // Read once: a page's style attributes and elements share the parser.
      if (!modern_) modern_ = FollowsModernMarkup();
      urlParser_ = URLParser;
      reportLink_ = ReportLink;
      context_ = Context;
      reset();
    });
  }

  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    return SafeCall([&] {
      Output->clear();
      Output->reserve(Input.size() + 16);
      scan(Input, *Output);
      if (*modern_) keepWritten(*Output);
    });
  }

  // A reference left open at the end goes out as it was written: it was never closed, so
  // there is nothing to judge, but its text belongs to the copy.
  HRESULT Finish(std::string *Output) override {
    return SafeCall([&] {
      *Output = std::move(collected_);
      reset();
    });
  }

  // Init starts each block afresh: there is nothing to set up or let go of besides.
  HRESULT BlockParserCreated() override { return platform::S_OK; }
  HRESULT BlockParserReleased() override { return platform::S_OK; }

private:
  void reset() {
    match_ = mtNone;
    collected_.clear();
    importing_ = inImageSet_ = escaped_ = star_ = false;
    depth_ = hexDigits_ = 0;
    written_.clear();
  }

  // Where the reading goes back to when a reference or keyword ends.
  TMatch home() const { return inImageSet_ ? mtImageSet : mtNone; }

  void startKeyword(std::string_view keyword) {
    keyword_ = keyword;
    matched_ = 1;
    match_ = mtKeyword;
  }

  void scan(const std::string &input, std::string &out) {
    const char *const text = input.data();
    const size_t size = input.size();
    size_t at = 0;
    // The next of each of today's start bytes, looked for again only once passed.
    std::array<size_t, modernStarts.size()> next;
    next.fill(unknownPosition);
    while (at < size) {
      const char c = text[at];
      switch (match_) {
      case mtNone: {
        // Most of a sheet is text far from any reference: copy it in one piece.
        const size_t start = nextStart(text, at, size, next);
        out.append(text + at, start - at);
        at = start;
        if (at == size) break;
        const char first = text[at++];
        out += first;
        importing_ = false;
        if (first == 'u') startKeyword(urlKeyword);
        if (first == '@') startKeyword(importKeyword);
        if (first == '/') match_ = mtSlash;
        if (first == '(' && followsImageSet(out)) {
          // A candidate's own url() comes back here; a nested image-set() is read as one.
          inImageSet_ = true;
          depth_ = 0;
          match_ = mtImageSet;
        }
        break;
      }
      case mtKeyword: keyword(c, at, out); break;
      case mtOpen:
        if (*modern_) {
          opened(c, at, out);
          break;
        }
        // An opening quote or a leading space stays as written; "url()" is closed at once.
        ++at;
        if (!endsReference(c)) {
          collected_ += c;
          match_ = mtUnquoted;
          break;
        }
        out += c;
        if (c == ')') match_ = mtNone;
        break;
      case mtUnquoted:
        at = *modern_ ? collectUnquoted(text, at, size) : collect(text, at, size);
        if (at == size) break;
        endReference(out);
        if (*modern_) {
          match_ = mtToClose;
        } else {
          out += text[at++];
          match_ = mtNone;
        }
        break;
      case mtQuoted: at = quoted(text, at, size, out); break;
      case mtToClose: {
        const void *close = std::memchr(text + at, ')', size - at);
        const size_t end = close ? static_cast<const char *>(close) - text + 1 : size;
        out.append(text + at, end - at);
        at = end;
        if (close) match_ = home();
        break;
      }
      case mtImport:
        if (blankOrQuote(c, at, out, qiImport)) {
          if (match_ == mtQuoted) importing_ = true;
        } else if (c == 'u') {
          out += c;
          ++at;
          startKeyword(urlKeyword);
          importing_ = true;
        } else {
          match_ = mtNone;
        }
        break;
      case mtImageSet: imageSet(c, at, out); break;
      case mtSkippedString:
        out += c;
        ++at;
        if (escaped_) {
          escaped_ = false;
        } else if (c == '\\') {
          escaped_ = true;
        } else if (c == quote_ || c == '\n') {
          match_ = mtImageSet;
        }
        break;
      case mtSlash:
        if (c == '*') {
          out += c;
          ++at;
          star_ = false;
          match_ = mtComment;
        } else {
          match_ = home();
        }
        break;
      case mtComment: at = comment(text, at, size, out); break;
      }
    }
  }

  // Where the next reference may start: a "u", or one of today's start bytes when today's
  // sheets are read. Next keeps where each of those was found (size when there is none).
  size_t nextStart(const char *text, size_t at, size_t size,
                   std::array<size_t, modernStarts.size()> &next) const {
    const void *u = std::memchr(text + at, 'u', size - at);
    size_t start = u ? static_cast<size_t>(static_cast<const char *>(u) - text) : size;
    if (!*modern_) return start;
    for (size_t i = 0; i < modernStarts.size(); ++i) {
      if (next[i] == unknownPosition || next[i] < at) {
        const void *found = std::memchr(text + at, modernStarts[i], size - at);
        next[i] = found ? static_cast<size_t>(static_cast<const char *>(found) - text) : size;
      }
      start = std::min(start, next[i]);
    }
    return start;
  }

  // The next byte of a keyword. "@import" is read without regard to case and a byte that
  // does not continue it is read again as ordinary text; a byte that does not continue
  // "url(" is taken as ordinary text, so that "uurl(" starts nothing.
  void keyword(char c, size_t &at, std::string &out) {
    const bool isURL = keyword_ == urlKeyword;
    const char expected = keyword_[matched_];
    if ((isURL ? c : char(c | 0x20)) != expected) {
      if (isURL) {
        out += c;
        ++at;
      }
      importing_ = false;
      match_ = home();
      return;
    }
    out += c;
    ++at;
    if (++matched_ < keyword_.size()) return;
    match_ = isURL ? mtOpen : mtImport;
  }

  // Whether the text written before the "(" that Out ends with is "image-set", in any case
  // ("-webkit-image-set" too). What came before this block is in written_.
  bool followsImageSet(const std::string &out) const {
    const size_t before = out.size() - 1;
    std::string_view name;
    std::string joined;
    if (before >= imageSetName.size()) {
      name = std::string_view(out).substr(before - imageSetName.size(), imageSetName.size());
    } else {
      joined = written_ + out.substr(0, before);
      if (joined.size() < imageSetName.size()) return false;
      name = std::string_view(joined).substr(joined.size() - imageSetName.size());
    }
    for (size_t i = 0; i < name.size(); ++i)
      if (char(name[i] | 0x20) != imageSetName[i]) return false;
    return true;
  }

  // Keeps the last bytes written, for a "(" at the start of the next block.
  void keepWritten(const std::string &out) {
    if (out.size() >= imageSetName.size()) {
      written_.assign(out, out.size() - imageSetName.size());
      return;
    }
    written_ += out;
    if (written_.size() > imageSetName.size())
      written_.erase(0, written_.size() - imageSetName.size());
  }

  // After "url(" in today's sheets: blanks stay, a quote opens a quoted reference.
  void opened(char c, size_t &at, std::string &out) {
    if (blankOrQuote(c, at, out, qiURL)) return;
    if (c == ')') {
      out += c;
      ++at;
      match_ = home();
    } else {
      match_ = mtUnquoted;
    }
  }

  // Before a reference: a blank stays as written, a quote opens a quoted reference. False
  // for any other byte, which is left to the caller.
  bool blankOrQuote(char c, size_t &at, std::string &out, TQuotedIn where) {
    const bool quote = c == '"' || c == '\'';
    if (!quote && !isBlank(c)) return false;
    out += c;
    ++at;
    if (quote) openQuoted(c, where);
    return true;
  }

  void openQuoted(char quote, TQuotedIn where) {
    quote_ = quote;
    quotedIn_ = where;
    escaped_ = false;
    match_ = mtQuoted;
  }

  // Reads a quoted reference up to its closing quote; a line end before it makes the string
  // no reference, and it goes out as it was.
  size_t quoted(const char *text, size_t at, size_t size, std::string &out) {
    size_t end = at;
    for (; end < size; ++end) {
      const char c = text[end];
      if (escaped_) {
        escaped_ = false;
      } else if (c == '\\' && *modern_) {
        escaped_ = true;
      } else if (c == quote_ || c == '\n') {
        break;
      }
    }
    collected_.append(text + at, end - at);
    if (end == size) return end;
    if (text[end] == quote_ && !collected_.empty())
      endReference(out);
    else
      out += std::exchange(collected_, {});
    out += text[end];
    if (text[end] == '\n') {
      match_ = quotedIn_ == qiImageSet ? mtImageSet : mtNone;
    } else {
      switch (quotedIn_) {
      case qiURL: match_ = mtToClose; break;
      case qiImport: match_ = mtNone; break;
      case qiImageSet: match_ = mtImageSet; break;
      }
    }
    return end + 1;
  }

  // Between the candidates of image-set(): a string or url() at its own level is an image;
  // anything in parentheses (type()) is not.
  void imageSet(char c, size_t &at, std::string &out) {
    out += c;
    ++at;
    if (c == '"' || c == '\'') {
      if (depth_ == 0) {
        openQuoted(c, qiImageSet);
      } else {
        quote_ = c;
        escaped_ = false;
        match_ = mtSkippedString;
      }
    } else if (c == 'u' && depth_ == 0) {
      startKeyword(urlKeyword);
    } else if (c == '(') {
      ++depth_;
    } else if (c == ')') {
      if (depth_ == 0) {
        inImageSet_ = false;
        match_ = mtNone;
      } else {
        --depth_;
      }
    }
  }

  size_t comment(const char *text, size_t at, size_t size, std::string &out) {
    size_t end = at;
    while (end < size) {
      if (star_ && text[end] == '/') {
        out.append(text + at, end + 1 - at);
        match_ = home();
        return end + 1;
      }
      // Up to the next "*", which may close the comment.
      const void *star = std::memchr(text + end, '*', size - end);
      end = star ? static_cast<const char *>(star) - text + 1 : size;
      star_ = star != nullptr;
    }
    out.append(text + at, size - at);
    return size;
  }

  // Adds the reference's bytes up to the next end of a reference; returns where it stopped.
  size_t collect(const char *text, size_t at, size_t size) {
    size_t end = at;
    while (end < size && !endsReference(text[end]))
      ++end;
    collected_.append(text + at, end - at);
    return end;
  }

  // The same for today's sheets, where an escape belongs to the reference (a backslash and
  // the byte after it, or up to six hex digits and one blank) and a "(" ends it too.
  size_t collectUnquoted(const char *text, size_t at, size_t size) {
    size_t end = at;
    for (; end < size; ++end) {
      const char c = text[end];
      if (escaped_) {
        escaped_ = false;
        hexDigits_ = std::isxdigit(static_cast<unsigned char>(c)) ? 1 : 0;
        continue;
      }
      if (hexDigits_) {
        const bool more = hexDigits_ < 6 && std::isxdigit(static_cast<unsigned char>(c));
        hexDigits_ = more ? hexDigits_ + 1 : 0;
        if (more || isBlank(c)) continue;
      }
      if (!unquotedStops[static_cast<unsigned char>(c)]) continue;
      if (c != '\\') break;
      escaped_ = true;
    }
    collected_.append(text + at, end - at);
    return end;
  }

  void endReference(std::string &out) {
    bool accepted = false;
    if (*modern_ && collected_.find('\\') != std::string::npos) {
      DecodeCSSEscapes(collected_, decoded_);
      OleCheck(urlParser_->SetURL(decoded_, &accepted));
    } else {
      OleCheck(urlParser_->SetURL(collected_, &accepted));
    }
    if (!accepted) {
      writeRefused(out);
    } else {
      TLinkDescription link;
      // What @import names is a style sheet; any other reference an image.
      link.LinkType = importing_ ? ltStylesheet : ltImage;
      OleCheck(urlParser_->GetURL(&link.URL));
      if (browsable_) {
        OleCheck(urlParser_->GetRelativeLink(&relative_));
        out += relative_;
      } else {
        out += collected_;
      }
      if (reportLink_) reportLink_(context_, link);
    }
    collected_.clear();
    hexDigits_ = 0;
  }

  // A reference the job does not copy: in a browsable copy of today's sheets, the absolute
  // URL it leads to, so that it works from the copy when online; otherwise as written.
  void writeRefused(std::string &out) {
    if (browsable_ && *modern_) {
      OleCheck(urlParser_->GetOnlineLink(&relative_));
      if (!relative_.empty()) {
        AppendCSSURL(out, relative_);
        return;
      }
    }
    out += collected_;
  }

  ComPtr<IURLParser> urlParser_;
  bool browsable_ = false;
  TLinkReportFunction reportLink_ = nullptr;
  void *context_ = nullptr;

  // @import, image-set(), quoted url() references, escapes and comments are read
  std::optional<bool> modern_;
  TMatch match_ = mtNone;
  std::string_view keyword_ = urlKeyword;
  size_t matched_ = 0;      // how much of the keyword was read
  bool importing_ = false;  // the reference being read follows @import
  bool inImageSet_ = false; // between the parentheses of image-set()
  int depth_ = 0;           // parentheses open within image-set()
  char quote_ = 0;          // the quote of the string being read
  TQuotedIn quotedIn_ = qiURL;
  bool escaped_ = false;  // the last byte read was a backslash
  int hexDigits_ = 0;     // hex digits of the escape being read, outside quotes
  bool star_ = false;     // the last byte of a comment read was a "*"
  std::string collected_; // the reference read so far, not yet written
  std::string relative_;  // working space: a sheet has many references
  std::string decoded_;   // the same
  std::string written_;   // the last bytes written by the blocks before
};

} // namespace

ComPtr<IParser> NewCSSParser() { return platform::MakeCom<TCSSParser>(); }

} // namespace zs::parsing
