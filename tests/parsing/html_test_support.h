// What the HTML parser's tests and its fuzzer share: a job with the URL parser of one page,
// a custom processor that records the protocol the parser drives, and runs of a page cut
// into blocks.
#pragma once

#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "parsing/html_parser.h"
#include "platform/safecall.h"
#include "tests/parsing/parser_test_support.h"

namespace zs::testing {

// The page under test is http://host/dir/page.htm; the job copies http://host/ to /proj.
inline const std::string htmlPageURL = "http://host/dir/page.htm";

// Records the custom-block protocol. Content handed over in several pieces is recorded as
// one, so that the record does not depend on where the page was cut; a protocol fault (a
// block outside BeginCustom and FinishCustom, an empty piece, a nested begin) fails the
// call.
class TRecordingProcessor final : public platform::TNoRefCountObject<ICustomParseProcessor> {
public:
  // Rewrite: content comes back in upper case and each end writes "[end]", so that a test
  // sees where output came from; otherwise everything comes back unchanged.
  explicit TRecordingProcessor(bool rewrite) : rewrite_(rewrite) {}

  HRESULT BeginCustom(const std::string &ContentType, IParams *Params) override {
    if (open_) return platform::E_FAIL;
    open_ = true;
    contentOpen_ = false;
    Calls.push_back("begin " + ContentType + " {" + ParamsText(Params) + "}");
    return platform::S_OK;
  }
  HRESULT ProcessCustomBlock(const std::string &Input, std::string *Output) override {
    if (!open_ || Input.empty()) return platform::E_FAIL;
    if (!contentOpen_) Calls.push_back("content ");
    contentOpen_ = true;
    Calls.back() += Input;
    *Output = transform(Input);
    return platform::S_OK;
  }
  HRESULT FinishCustom(std::string *Output) override {
    if (!open_) return platform::E_FAIL;
    open_ = false;
    Calls.push_back("end");
    *Output = rewrite_ ? "[end]" : "";
    return platform::S_OK;
  }
  HRESULT ProcessCustom(const std::string &ContentType, const std::string &Input,
                        std::string *Output) override {
    if (open_) return platform::E_FAIL;
    Calls.push_back("custom " + ContentType + " " + Input);
    *Output = transform(Input);
    return platform::S_OK;
  }

  bool IsOpen() const { return open_; }

  std::vector<std::string> Calls;

private:
  std::string transform(std::string text) const {
    if (rewrite_)
      for (char &c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }

  bool rewrite_;
  bool open_ = false;
  bool contentOpen_ = false;
};

// The page's real URL parser, counting the URLs it accepts.
class TCountingURLParser final : public platform::TComObject<IURLParser> {
public:
  explicit TCountingURLParser(ComPtr<IURLParser> parser) : parser_(std::move(parser)) {}

  HRESULT SetBase(const TURL &URL, const TLocalFileName &LocalDir) override {
    return parser_->SetBase(URL, LocalDir);
  }
  HRESULT BaseFromCurrent() override { return parser_->BaseFromCurrent(); }
  HRESULT SetURL(const TURL &URL, bool *Accepted) override {
    HRESULT result = parser_->SetURL(URL, Accepted);
    if (platform::Succeeded(result) && *Accepted) ++AcceptedCount;
    return result;
  }
  HRESULT GetParsedURL(TParsedURL *Value) override { return parser_->GetParsedURL(Value); }
  HRESULT GetURL(TURL *Value) override { return parser_->GetURL(Value); }
  HRESULT GetDomainDirName(std::string *Value) override { return parser_->GetDomainDirName(Value); }
  HRESULT GetLocalFileName(TLocalFileName *Value) override {
    return parser_->GetLocalFileName(Value);
  }
  HRESULT GetLocalDir(TLocalFileName *Value) override { return parser_->GetLocalDir(Value); }
  HRESULT GetRelativeLink(TURL *Value) override { return parser_->GetRelativeLink(Value); }
  HRESULT GetOnlineLink(TURL *Value) override { return parser_->GetOnlineLink(Value); }

  size_t AcceptedCount = 0;

private:
  ComPtr<IURLParser> parser_;
};

// What a page gave: the text written, the links reported ("ltImage http://host/a.gif", with
// " <tag {params}>" for a raw-text element's links), the calls of the custom processor, and
// how many URLs were accepted (reported or not).
struct TPageRun {
  std::string Output;
  std::vector<std::string> Links;
  std::vector<std::string> Calls;
  size_t Accepted = 0;

  friend bool operator==(const TPageRun &, const TPageRun &) = default;
};

// One job and its page, parsed as often as wanted.
class THTMLPage {
public:
  explicit THTMLPage(TCopyType copyType, bool rewriteCustom = false,
                     const std::string &siteURL = "http://host/")
      : rewriteCustom_(rewriteCustom) {
    job_ = NewJob(copyType, siteURL);
    urlParser_ = platform::MakeCom<TCountingURLParser>(CreateURLParser(htmlPageURL, job_.get()));
  }

  // The page fed in the given blocks, then finished.
  TPageRun Parse(const std::vector<std::string_view> &blocks) {
    // A base tag of an earlier run must not carry over.
    platform::OleCheck(urlParser_->SetBase(htmlPageURL, ""));
    urlParser_->AcceptedCount = 0;
    TPageRun run;
    TRecordingProcessor processor(rewriteCustom_);
    ComPtr<IParser> parser = parsing::NewHTMLParser();
    platform::OleCheck(
        parser->Init(urlParser_.get(), job_.get(), &recordLink, &run, nullptr, &processor));
    std::string output;
    for (std::string_view block : blocks) {
      platform::OleCheck(parser->ProcessBlock(std::string(block), &output));
      run.Output += output;
    }
    platform::OleCheck(parser->Finish(&output));
    run.Output += output;
    run.Calls = processor.Calls;
    run.Accepted = urlParser_->AcceptedCount;
    if (processor.IsOpen()) run.Calls.push_back("left open");
    return run;
  }
  TPageRun Parse(std::string_view page) { return Parse(std::vector<std::string_view>{page}); }

private:
  static void recordLink(void *context, const TLinkDescription &link) {
    std::string text = std::string(EnumName(link.LinkType)) + " " + link.URL;
    if (!link.Tag.empty()) text += " <" + link.Tag + " {" + ParamsText(link.Params.get()) + "}>";
    static_cast<TPageRun *>(context)->Links.push_back(text);
  }

  bool rewriteCustom_;
  ComPtr<IJobRequest> job_;
  ComPtr<TCountingURLParser> urlParser_;
};

} // namespace zs::testing
