#include "parsing/parse_provider.h"

#include <map>

#include "parsing/copy_type.h"
#include "parsing/dummy_parser.h"
#include "parsing/parser_factory.h"
#include "parsing/url_text.h"
#include "platform/safecall.h"
#include "platform/text.h"

namespace zs::parsing {

namespace {

using platform::OleCheck;
using platform::SafeCall;

class TParseProvider;

// The provider's side of custom blocks. It lives inside the provider and its references
// are not counted, so a parser that keeps it does not keep the provider alive.
class TCustomProcessor final : public platform::TNoRefCountObject<ICustomParseProcessor> {
public:
  explicit TCustomProcessor(TParseProvider &provider) : provider_(provider) {}

  HRESULT BeginCustom(const std::string &ContentType, IParams *Params) override;
  HRESULT ProcessCustomBlock(const std::string &Input, std::string *Output) override;
  HRESULT FinishCustom(std::string *Output) override;
  HRESULT ProcessCustom(const std::string &ContentType, const std::string &Input,
                        std::string *Output) override;

private:
  TParseProvider &provider_;
};

class TParseProvider final : public platform::TComObject<IParseProvider> {
public:
  TParseProvider(IURLParser *URLParser, IJobRequest *JobRequest, int32_t Level,
                 IIJobAsyncProvider *LinkSink)
      : urlParser_(URLParser), jobRequest_(JobRequest), linkSink_(LinkSink), level_(Level) {
    if (!urlParser_ || !jobRequest_)
      throw EParser("A parse provider needs the URL parser and the request of its job");
    browsable_ = IsBrowsableCopy(*jobRequest_);
    modern_ = FollowsModernMarkup();
  }

  void Start(const std::string &ContentTag) {
    mainParser_ = ChooseParser(ContentTag).NewParser();
    if (!mainParser_) mainParser_ = NewDummyParser();
    initParser(*mainParser_, nullptr);
  }

  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    return SafeCall([&] {
      if (!mainParser_) throw EParser("Misplaced call of ProcessBlock");
      OleCheck(mainParser_->ProcessBlock(Input, Output));
      // The parser still ran: an exact copy reports its links all the same.
      if (!browsable_) *Output = Input;
    });
  }

  HRESULT Finish(std::string *Output) override {
    return SafeCall([&] {
      if (!mainParser_) throw EParser("Misplaced call of Finish");
      std::string rest;
      try {
        OleCheck(mainParser_->Finish(&rest));
      } catch (...) {
        // The file is over either way: its parsers are let go before the failure is told.
        releaseAll();
        throw;
      }
      releaseAll();
      *Output = browsable_ ? std::move(rest) : std::string();
    });
  }

  void BeginCustom(const std::string &ContentType, IParams *Params) {
    if (blockOpen_) throw EParser("CustomFinish call expected, but BeginCustom occured");
    if (!mainParser_) throw EParser("Misplaced call of BeginCustom");
    const std::string type = platform::LowerCase(ContentType);
    std::string source;
    if (Params) OleCheck(Params->get_Value("src", &source));
    if (source.empty()) {
      currentBlockParser_ = blockParser(type, Params);
    } else {
      // The content is elsewhere: the element's own text passes through as it is.
      if (type != "css") reportExternal(source, type, Params);
      currentBlockParser_.reset();
    }
    blockOpen_ = true;
  }

  void ProcessCustomBlock(const std::string &Input, std::string &Output) {
    if (!blockOpen_) throw EParser("Misplaced call of ProcessCustomBlock");
    if (currentBlockParser_)
      OleCheck(currentBlockParser_->ProcessBlock(Input, &Output));
    else
      Output = Input;
  }

  void FinishCustom(std::string &Output) {
    if (!blockOpen_) throw EParser("Misplaced call of FinishCustom");
    blockOpen_ = false;
    ComPtr<IParser> parser = std::move(currentBlockParser_);
    if (parser)
      OleCheck(parser->Finish(&Output));
    else
      Output.clear();
  }

private:
  static void reportLink(void *Context, const TLinkDescription &LinkDesc) {
    auto &provider = *static_cast<TParseProvider *>(Context);
    // A parser that reports after the end of its file reaches nobody.
    if (provider.linkSink_) provider.linkSink_->PostAddLink(LinkDesc, provider.level_);
  }

  void initParser(IParser &parser, IParams *params) {
    OleCheck(parser.Init(urlParser_.get(), jobRequest_.get(), &reportLink, this, params,
                         &customProcessor_));
  }

  // The parser of a block's content type: the one kept for the type, or a new one, which
  // is kept when it is an advanced parser.
  ComPtr<IParser> blockParser(const std::string &type, IParams *params) {
    ComPtr<IParser> parser;
    if (auto kept = blockParsers_.find(type); kept != blockParsers_.end()) {
      parser = kept->second;
    } else {
      auto choice = choices_.find(type);
      if (choice == choices_.end()) choice = choices_.emplace(type, choose(type)).first;
      parser = choice->second.NewParser();
      if (auto advanced = parser.As<IAdvancedParser>()) {
        OleCheck(advanced->BlockParserCreated());
        blockParsers_.emplace(type, advanced);
      }
      if (!parser) parser = NewDummyParser();
    }
    initParser(*parser, params);
    return parser;
  }

  // A style element holds a style sheet: with today's requisites followed, the CSS parser
  // reads it unless a plug-in module reads "style".
  TParserChoice choose(const std::string &type) const {
    TParserChoice choice = ChooseParser(type);
    if (type == "style" && modern_ && !choice.HasParser()) return ChooseParser("css");
    return choice;
  }

  void reportExternal(const std::string &source, const std::string &type, IParams *params) {
    std::string scratch;
    std::string_view url = CleanURLText(source, scratch);
    // Only blanks: the element names no source a browser would load.
    if (url.empty()) return;
    bool accepted = false;
    OleCheck(urlParser_->SetURL(std::string(url), &accepted));
    if (!accepted) return;
    TLinkDescription link;
    OleCheck(urlParser_->GetURL(&link.URL));
    link.LinkType = type == "script" ? ltScript : ltEmbedded;
    link.Tag = type;
    link.Params = params;
    reportLink(this, link);
  }

  // Lets go of every parser and reference. Each kept block parser hears that it is done
  // with even when another one fails; the first failure is raised afterwards.
  void releaseAll() {
    auto kept = std::move(blockParsers_);
    mainParser_.reset();
    currentBlockParser_.reset();
    choices_.clear();
    blockOpen_ = false;
    HRESULT firstFailure = platform::S_OK;
    std::string message;
    for (auto &[type, parser] : kept) {
      const HRESULT result = parser->BlockParserReleased();
      if (platform::Failed(result) && platform::Succeeded(firstFailure)) {
        firstFailure = result;
        message = platform::TakeErrorInfo();
      }
    }
    kept.clear();
    urlParser_.reset();
    jobRequest_.reset();
    linkSink_.reset();
    if (platform::Failed(firstFailure)) {
      platform::SetErrorInfo(std::move(message));
      OleCheck(firstFailure);
    }
  }

  // First, so that it outlives every parser that was handed it.
  TCustomProcessor customProcessor_{*this};

  ComPtr<IURLParser> urlParser_;
  ComPtr<IJobRequest> jobRequest_;
  ComPtr<IIJobAsyncProvider> linkSink_;
  const int32_t level_;
  bool browsable_ = false;
  bool modern_ = false; // the requisites of today's pages are followed

  ComPtr<IParser> mainParser_; // empty once the file is finished
  bool blockOpen_ = false;
  ComPtr<IParser> currentBlockParser_;
  // By lower-case content type: the advanced parsers kept for reuse within the file, and
  // where the parsers of each type come from.
  std::map<std::string, ComPtr<IAdvancedParser>> blockParsers_;
  std::map<std::string, TParserChoice> choices_;
};

HRESULT TCustomProcessor::BeginCustom(const std::string &ContentType, IParams *Params) {
  return SafeCall([&] { provider_.BeginCustom(ContentType, Params); });
}

HRESULT TCustomProcessor::ProcessCustomBlock(const std::string &Input, std::string *Output) {
  return SafeCall([&] { provider_.ProcessCustomBlock(Input, *Output); });
}

HRESULT TCustomProcessor::FinishCustom(std::string *Output) {
  return SafeCall([&] { provider_.FinishCustom(*Output); });
}

HRESULT TCustomProcessor::ProcessCustom(const std::string &ContentType, const std::string &Input,
                                        std::string *Output) {
  return SafeCall([&] {
    provider_.BeginCustom(ContentType, nullptr);
    provider_.ProcessCustomBlock(Input, *Output);
    std::string rest;
    provider_.FinishCustom(rest);
    *Output += rest;
  });
}

} // namespace

ComPtr<IParseProvider> NewParseProvider(const std::string &ContentTag, IURLParser *URLParser,
                                        IJobRequest *JobRequest, int32_t Level,
                                        IIJobAsyncProvider *LinkSink) {
  auto provider = platform::MakeCom<TParseProvider>(URLParser, JobRequest, Level, LinkSink);
  provider->Start(ContentTag);
  return provider;
}

} // namespace zs::parsing
