#include "parsing/css_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "parsing/copy_type.h"
#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

// How much of "url(" was read last: nothing, "u", "ur", "url", or all of it; or, for the
// requisites of today's sheets, part of "@import", all of it, or the string after it.
enum TMatch : int { mtNone, mtU, mtUr, mtUrl, mtOpen, mtAt, mtImport, mtString };

constexpr std::string_view importKeyword = "@import";
constexpr size_t unknownPosition = ~size_t{0};

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
      match_ = mtNone;
      collected_.clear();
      importing_ = false;
    });
  }

  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    return SafeCall([&] {
      Output->clear();
      Output->reserve(Input.size() + 16);
      scan(Input, *Output);
    });
  }

  // A reference left open at the end goes out as it was written: it was never closed, so
  // there is nothing to judge, but its text belongs to the copy.
  HRESULT Finish(std::string *Output) override {
    return SafeCall([&] {
      *Output = std::move(collected_);
      collected_.clear();
      match_ = mtNone;
      importing_ = false;
    });
  }

  // Init starts each block afresh: there is nothing to set up or let go of besides.
  HRESULT BlockParserCreated() override { return platform::S_OK; }
  HRESULT BlockParserReleased() override { return platform::S_OK; }

private:
  void scan(const std::string &input, std::string &out) {
    const char *const text = input.data();
    const size_t size = input.size();
    size_t at = 0;
    // The next "@" is looked for only once the last one found is passed: "u" is common.
    size_t nextAt = unknownPosition;
    while (at < size) {
      if (match_ == mtNone) {
        // Most of a sheet is text far from any "u" (or "@"): copy it in one piece.
        const size_t next = nextStart(text, at, size, nextAt);
        out.append(text + at, next - at);
        at = next;
        if (at == size) break;
        out += text[at];
        match_ = text[at] == 'u' ? mtU : mtAt;
        atMatched_ = 1;
        importing_ = false;
        ++at;
      } else if (match_ == mtAt) {
        // An at-keyword is read without regard to case; a byte that does not continue it is
        // read again as ordinary text.
        if ((text[at] | 0x20) != importKeyword[atMatched_]) {
          match_ = mtNone;
          continue;
        }
        out += text[at++];
        if (++atMatched_ == importKeyword.size()) match_ = mtImport;
      } else if (match_ == mtImport) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
          out += c;
          ++at;
        } else if (c == '"' || c == '\'' || c == 'u') {
          out += c;
          ++at;
          quote_ = c;
          match_ = c == 'u' ? mtU : mtString;
          importing_ = true;
        } else {
          match_ = mtNone;
        }
      } else if (match_ == mtString) {
        size_t end = at;
        while (end < size && text[end] != quote_ && text[end] != '\n')
          ++end;
        collected_.append(text + at, end - at);
        at = end;
        if (at == size) break;
        // A string broken by a line end is no reference: it goes out as it was.
        if (text[at] == quote_ && !collected_.empty())
          endReference(out);
        else
          out += std::exchange(collected_, {});
        out += text[at++];
        match_ = mtNone;
      } else if (match_ != mtOpen) {
        const char c = text[at++];
        out += c;
        match_ = advance(c);
      } else if (collected_.empty()) {
        const char c = text[at];
        if (!endsReference(c)) {
          at = collect(text, at, size);
          continue;
        }
        // An opening quote or a leading space stays as written; "url()" is closed at once.
        out += c;
        if (c == ')') match_ = mtNone;
        ++at;
      } else {
        at = collect(text, at, size);
        if (at == size) break;
        endReference(out);
        out += text[at++];
        match_ = mtNone;
      }
    }
  }

  // Where the next reference may start: a "u", or an "@" when today's sheets are read.
  // NextAt keeps where the next "@" is (size when there is none).
  size_t nextStart(const char *text, size_t at, size_t size, size_t &nextAt) const {
    const void *u = std::memchr(text + at, 'u', size - at);
    const size_t next = u ? static_cast<size_t>(static_cast<const char *>(u) - text) : size;
    if (!*modern_) return next;
    if (nextAt == unknownPosition || nextAt < at) {
      const void *a = std::memchr(text + at, '@', size - at);
      nextAt = a ? static_cast<size_t>(static_cast<const char *>(a) - text) : size;
    }
    return std::min(next, nextAt);
  }

  TMatch advance(char c) const {
    if (c == 'r' && match_ == mtU) return mtUr;
    if (c == 'l' && match_ == mtUr) return mtUrl;
    if (c == '(' && match_ == mtUrl) return mtOpen;
    return mtNone;
  }

  // Adds the reference's bytes up to the next end of a reference; returns where it stopped.
  size_t collect(const char *text, size_t at, size_t size) {
    size_t end = at;
    while (end < size && !endsReference(text[end]))
      ++end;
    collected_.append(text + at, end - at);
    return end;
  }

  void endReference(std::string &out) {
    bool accepted = false;
    OleCheck(urlParser_->SetURL(collected_, &accepted));
    if (!accepted) {
      out += collected_;
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
  }

  ComPtr<IURLParser> urlParser_;
  bool browsable_ = false;
  TLinkReportFunction reportLink_ = nullptr;
  void *context_ = nullptr;

  std::optional<bool> modern_; // @import strings are followed, as style sheets
  TMatch match_ = mtNone;
  size_t atMatched_ = 0;   // how much of "@import" was read
  bool importing_ = false; // the reference being read follows @import
  char quote_ = 0;         // the quote of the string after @import
  std::string collected_;  // the reference read so far, not yet written
  std::string relative_;   // working space: a sheet has many references
};

} // namespace

ComPtr<IParser> NewCSSParser() { return platform::MakeCom<TCSSParser>(); }

} // namespace zs::parsing
