#include "parsing/html_parser.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "parsing/copy_type.h"
#include "parsing/html_references.h"
#include "parsing/html_tags.h"
#include "parsing/html_tokenizer.h"
#include "parsing/meta_refresh.h"
#include "parsing/url_text.h"
#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

// What an attribute of the current tag is to the parser.
enum TAttributeKind : uint8_t {
  akNone,
  akLink,       // a row of TagsInfo
  akRel,        // the rel of a or link
  akStyle,      // style: css for the provider
  akEvent,      // on...: script for the provider
  akRawTextSrc, // the src of script, style or xml: the provider reports it
  akHttpEquiv,  // the http-equiv of meta
  akRefresh     // the content of meta: a refresh names the page to go to
};

class THTMLParser final : public platform::TComObject<IParser>, private THTMLTokenHandler {
public:
  HRESULT Init(IURLParser *URLParser, IJobRequest *JobRequest, TLinkReportFunction ReportLink,
               void *Context, IParams *, ICustomParseProcessor *CustomProcessor) override {
    return SafeCall([&] {
      if (!URLParser || !JobRequest)
        throw EParser("The HTML parser needs a URL parser and a job request");
      browsable_ = IsBrowsableCopy(*JobRequest);
      modern_ = FollowsModernMarkup();
      urlParser_ = URLParser;
      reportLink_ = ReportLink;
      context_ = Context;
      customProcessor_ = CustomProcessor;
      tokenizer_.emplace(static_cast<THTMLTokenHandler &>(*this), browsable_);
      startPage();
    });
  }

  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    return SafeCall([&] {
      requireInit();
      if (browsable_) {
        Output->clear();
        Output->reserve(Input.size() + Input.size() / 8);
      } else {
        *Output = Input;
      }
      tokenizer_->ProcessBlock(Input, *Output);
    });
  }

  HRESULT Finish(std::string *Output) override {
    return SafeCall([&] {
      requireInit();
      Output->clear();
      tokenizer_->Finish(*Output);
      startPage();
    });
  }

private:
  void requireInit() const {
    if (!tokenizer_) throw EParser("The HTML parser was used before Init");
  }

  void startPage() {
    inHTML_ = examine_ = rawText_ = plaintext_ = false;
    pendingType_.reset();
    pendingURL_.reset();
    collected_.clear();
    deferred_.clear();
  }

  // Tokens ------------------------------------------------------------------------------

  void TagName(std::string_view Name) override {
    const bool startTag = Name[0] != '/';
    // Links are looked for only between <html> and </html>.
    if (!inHTML_ && Name == "html") inHTML_ = true;
    rawText_ = plaintext_ = false;
    if (inHTML_) {
      pendingType_.reset();
      if (Name == "/html") inHTML_ = false;
      if (IsRawTextElement(Name)) {
        rawText_ = true;
        plaintext_ = Name == "plaintext";
        collected_.clear();
        deferred_.clear();
      }
    }
    examine_ = inHTML_ && startTag;
    refreshTag_ = false;
    // Only the attributes of a start tag ask which element they belong to.
    if (examine_) tag_.assign(Name);
  }

  TValueUse AttributeName(std::string_view Name) override {
    if (!examine_) return TValueUse::Skip;
    // The attributes of a raw-text element go with its content: keep the name for the value.
    if (rawText_) attributeName_.assign(Name);
    kind_ = classify(Name);
    switch (kind_) {
    case akNone: return rawText_ ? TValueUse::Read : TValueUse::Skip;
    case akRel:
    case akHttpEquiv: return TValueUse::Read;
    default: return browsable_ ? TValueUse::Rewrite : TValueUse::Read;
    }
  }

  bool AttributeValue(std::string_view Value, char Quote, std::string *Replacement) override {
    if (rawText_)
      collected_.emplace_back(attributeName_, DecodeCharacterReferences(Value, decoded_));
    switch (kind_) {
    case akNone: return false;
    case akRel: rel(DecodeCharacterReferences(Value, decoded_)); return false;
    case akStyle: return custom("css", Value, Replacement);
    case akEvent: return custom("script", Value, Replacement);
    case akRawTextSrc:
      if (resolve(Value, Quote, Replacement)) return Replacement;
      return writeOnline(Quote, Replacement);
    case akHttpEquiv:
      refreshTag_ = IsRefreshDirective(DecodeCharacterReferences(Value, decoded_));
      return false;
    case akRefresh: return refresh(Value, Quote, Replacement) && Replacement;
    case akLink:
      if (linkCode_ == tiCandidates) return candidates(Value, Quote, Replacement) && Replacement;
      if (link(Value, Quote, Replacement)) return Replacement;
      // A base that leads away keeps its text: the page's local links are written for the
      // local folder, whatever base it names.
      return linkCode_ != tiBaseAddress && writeOnline(Quote, Replacement);
    }
    return false;
  }

  void AttributeWithoutValue(std::string_view Name) override {
    if (!examine_) return;
    if (rawText_) collected_.emplace_back(Name, std::string());
    if (Name == "rel" && HasRelAttribute(tag_)) rel({});
  }

  bool TagEnd() override {
    if (!examine_) return false;
    examine_ = false;
    if (pendingURL_) report(*std::exchange(pendingURL_, std::nullopt), ltAHref);
    if (!rawText_) return false;
    rawText_ = false;
    ComPtr<IParams> attributes = collectedAttributes();
    for (const auto &[url, type] : deferred_)
      report(url, type, attributes.get());
    deferred_.clear();
    if (customProcessor_) OleCheck(customProcessor_->BeginCustom(tag_, attributes.get()));
    return true;
  }

  void RawText(std::string_view Content, std::string *Output) override {
    if (!customProcessor_) {
      if (Output) Output->append(Content);
      return;
    }
    block_.assign(Content);
    OleCheck(customProcessor_->ProcessCustomBlock(block_, &result_));
    if (Output) Output->append(result_);
  }

  void RawTextEnd(std::string *Output) override {
    if (!customProcessor_) return;
    OleCheck(customProcessor_->FinishCustom(&result_));
    if (Output) Output->append(result_);
  }

  // Attributes --------------------------------------------------------------------------

  TAttributeKind classify(std::string_view name) {
    if (rawText_ && !plaintext_) {
      if (name == "src") return akRawTextSrc;
      // An SVG script names its source with href.
      if (modern_ && tag_ == "script" && (name == "href" || name == "xlink:href")) {
        linkCode_ = ltScript;
        return akLink;
      }
      return akNone;
    }
    if (modern_ && tag_ == "meta") {
      if (name == "http-equiv") return akHttpEquiv;
      if (name == "content") return akRefresh;
    }
    if (name == "style") return akStyle;
    if (name.starts_with("on")) return akEvent;
    if (name == "rel") return HasRelAttribute(tag_) ? akRel : akNone;
    linkCode_ = FindTagsInfo(name, tag_, modern_);
    return linkCode_ ? akLink : akNone;
  }

  bool link(std::string_view value, char quote, std::string *replacement) {
    if (!resolve(value, quote, replacement)) return false;
    switch (linkCode_) {
    case tiBaseAddress: OleCheck(urlParser_->BaseFromCurrent()); break;
    case tiTypeFromRel:
      if (pendingType_) {
        report(url_, *pendingType_);
      } else {
        // A second href must not drop the first: its value is rewritten already.
        if (pendingURL_) report(*pendingURL_, ltAHref);
        pendingURL_ = url_;
      }
      break;
    default: report(url_, TLinkType(linkCode_));
    }
    return true;
  }

  void rel(std::string_view value) {
    std::optional<TLinkType> type = LinkTypeOfRel(value, modern_);
    if (!type) return;
    if (pendingURL_)
      report(*std::exchange(pendingURL_, std::nullopt), *type);
    else
      pendingType_ = type;
  }

  // A srcset: candidates separated by commas, each a URL and its descriptors ("2x", "640w").
  // Each URL is reported as an image and, in a browsable copy, replaced where it stands;
  // everything around the URLs stays as written. A URL the parser does not accept is kept.
  bool candidates(std::string_view value, char quote, std::string *replacement) {
    const std::string_view text = DecodeCharacterReferences(value, decoded_);
    constexpr std::string_view blanks = " \t\r\n\f";
    candidateText_.clear();
    bool any = false;
    size_t at = 0;
    while (at < text.size()) {
      const size_t start = std::min(text.find_first_not_of(",\t\r\n\f ", at), text.size());
      candidateText_.append(text.substr(at, start - at));
      if (start == text.size()) break;
      const size_t end = std::min(text.find_first_of(blanks, start), text.size());
      // Commas that end the URL end the candidate: it has no descriptors.
      std::string_view url = text.substr(start, end - start);
      const size_t commas = url.size() - (url.find_last_not_of(',') + 1);
      url.remove_suffix(commas);
      if (candidate(url, replacement) && replacement) {
        any = true;
        // Commas at its end would read as the separator of the next candidate.
        const size_t kept = relativeLink_.find_last_not_of(',') + 1;
        candidateText_.append(relativeLink_, 0, kept);
        for (size_t comma = kept; comma < relativeLink_.size(); ++comma)
          candidateText_.append("%2C");
      } else {
        candidateText_.append(url);
      }
      at = end - commas;
      if (commas) continue;
      // The descriptors run to a comma outside parentheses.
      int depth = 0;
      size_t stop = at;
      for (; stop < text.size(); ++stop) {
        const char c = text[stop];
        if (c == '(') ++depth;
        if (c == ')' && depth) --depth;
        if (c == ',' && !depth) break;
      }
      candidateText_.append(text.substr(at, stop - at));
      at = stop;
    }
    if (any && replacement) AppendAttributeValue(*replacement, candidateText_, quote);
    return any;
  }

  // A candidate's URL, reported as an image; relativeLink_ then holds what to write instead
  // (in a browsable copy), a refused URL's online link included.
  bool candidate(std::string_view url, std::string *replacement) {
    if (url.empty()) return false;
    if (!judge(url)) return onlineLink(replacement);
    report(url_, ltImage);
    if (replacement) OleCheck(urlParser_->GetRelativeLink(&relativeLink_));
    return true;
  }

  // Judges a link value; when accepted, url_ holds the URL to report and Replacement (when
  // given) the value to write instead.
  bool resolve(std::string_view value, char quote, std::string *replacement) {
    refused_ = false;
    // Nothing is written after "=": the tag is odd ("href= x"), and the text that follows
    // is not this value.
    if (value.empty() && !quote) return false;
    if (!judge(DecodeCharacterReferences(value, decoded_))) return false;
    if (replacement) {
      OleCheck(urlParser_->GetRelativeLink(&relativeLink_));
      AppendAttributeValue(*replacement, relativeLink_, quote);
    }
    return true;
  }

  // Sets a decoded URL; when the job takes it, url_ holds the URL to report.
  bool judge(std::string_view text) {
    urlText_.assign(CleanURLText(text, cleaned_));
    bool accepted = false;
    OleCheck(urlParser_->SetURL(urlText_, &accepted));
    refused_ = !accepted;
    if (accepted) OleCheck(urlParser_->GetURL(&url_));
    return accepted;
  }

  // A link the job does not copy is written, in a browsable copy of today's pages, as the
  // absolute URL it leads to, so that it works from the copy when online; relativeLink_
  // holds it. False when the link stays as written.
  bool onlineLink(std::string *replacement) {
    if (!refused_ || !modern_ || !replacement) return false;
    OleCheck(urlParser_->GetOnlineLink(&relativeLink_));
    return !relativeLink_.empty();
  }

  bool writeOnline(char quote, std::string *replacement) {
    if (!onlineLink(replacement)) return false;
    AppendAttributeValue(*replacement, relativeLink_, quote);
    return true;
  }

  // The content of a refresh: a delay, then ";" or ",", then the page, with or without
  // "url=" and quotes. Without http-equiv="refresh" before it, only "url=" makes it one.
  bool refresh(std::string_view value, char quote, std::string *replacement) {
    refused_ = false;
    const std::string_view text = DecodeCharacterReferences(value, decoded_);
    const std::optional<TRefreshTarget> target = FindRefreshTarget(text, refreshTag_);
    if (!target) return false;
    const std::string_view url = text.substr(target->Start, target->Length);
    const bool accepted = judge(url);
    if (accepted) {
      report(url_, ltAHref);
      if (replacement) OleCheck(urlParser_->GetRelativeLink(&relativeLink_));
    } else if (!onlineLink(replacement)) {
      return false;
    }
    if (replacement) {
      std::string content(text.substr(0, target->Start));
      content += relativeLink_;
      content += text.substr(target->Start + target->Length);
      AppendAttributeValue(*replacement, content, quote);
    }
    return accepted || replacement;
  }

  bool custom(const char *language, std::string_view value, std::string *replacement) {
    if (!customProcessor_ || value.empty()) return false;
    block_.assign(value);
    OleCheck(customProcessor_->ProcessCustom(language, block_, &result_));
    if (!replacement) return false;
    replacement->swap(result_);
    return true;
  }

  // Links found in the start tag of a raw-text element wait for its last attribute: they
  // carry all of them.
  void report(const std::string &url, TLinkType type, IParams *attributes = nullptr) {
    if (rawText_) {
      deferred_.emplace_back(url, type);
      return;
    }
    if (!reportLink_) return;
    description_.URL = url;
    description_.LinkType = type;
    description_.Tag = attributes ? tag_ : std::string();
    description_.Params = attributes;
    reportLink_(context_, description_);
  }

  // The attributes of a raw-text element's start tag as parameters: a later one of the
  // same name wins. Put in name order, each lands at the end of the sorted container, so
  // that a tag with very many attributes costs no more than sorting them.
  ComPtr<IParams> collectedAttributes() {
    std::stable_sort(collected_.begin(), collected_.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    ComPtr<IParams> attributes = CreateParams();
    for (const auto &[name, value] : collected_)
      OleCheck(attributes->put_Value(name, value));
    collected_.clear();
    return attributes;
  }

  ComPtr<IURLParser> urlParser_;
  TLinkReportFunction reportLink_ = nullptr;
  void *context_ = nullptr;
  ICustomParseProcessor *customProcessor_ = nullptr; // not counted: the provider owns us
  bool browsable_ = false;
  bool modern_ = false; // the requisites of today's markup are followed too
  std::optional<THTMLTokenizer> tokenizer_;

  bool inHTML_ = false;
  bool examine_ = false; // a start tag inside the html element
  bool rawText_ = false; // the start tag of a raw-text element
  bool plaintext_ = false;
  bool refreshTag_ = false; // a meta tag with http-equiv="refresh"
  bool refused_ = false;    // the last URL set was not taken by the job
  std::string tag_;
  std::string attributeName_;
  TAttributeKind kind_ = akNone;
  std::string candidateText_; // a srcset as it is written back
  uint8_t linkCode_ = 0;
  std::optional<TLinkType> pendingType_;
  std::optional<std::string> pendingURL_;
  std::vector<std::pair<std::string, std::string>> collected_;
  std::vector<std::pair<std::string, TLinkType>> deferred_;

  // Working space kept between calls: a page has many links.
  std::string decoded_, cleaned_, urlText_, url_, relativeLink_, block_, result_;
  TLinkDescription description_;
};

} // namespace

ComPtr<IParser> NewHTMLParser() { return platform::MakeCom<THTMLParser>(); }

} // namespace zs::parsing
