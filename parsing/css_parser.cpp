#include "parsing/css_parser.h"

#include <array>
#include <cstring>

#include "parsing/copy_type.h"
#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

// How much of "url(" was read last: nothing, "u", "ur", "url", or all of it.
enum TMatch : int { mtNone, mtU, mtUr, mtUrl, mtOpen };

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
      urlParser_ = URLParser;
      reportLink_ = ReportLink;
      context_ = Context;
      match_ = mtNone;
      collected_.clear();
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
    while (at < size) {
      if (match_ == mtNone) {
        // Most of a sheet is text far from any "u": copy it in one piece.
        const void *u = std::memchr(text + at, 'u', size - at);
        const size_t next = u ? static_cast<size_t>(static_cast<const char *>(u) - text) : size;
        out.append(text + at, next - at);
        at = next;
        if (at == size) break;
        out += 'u';
        match_ = mtU;
        ++at;
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
      link.LinkType = ltImage;
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

  TMatch match_ = mtNone;
  std::string collected_; // the reference read so far, not yet written
  std::string relative_;  // working space: a sheet has many references
};

} // namespace

ComPtr<IParser> NewCSSParser() { return platform::MakeCom<TCSSParser>(); }

} // namespace zs::parsing
