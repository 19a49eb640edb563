#include "parsing/dummy_parser.h"

#include "platform/safecall.h"

namespace zs::parsing {

namespace {

class TDummyParser final : public platform::TComObject<IParser> {
public:
  HRESULT Init(IURLParser *, IJobRequest *, TLinkReportFunction, void *, IParams *,
               ICustomParseProcessor *) override {
    return platform::S_OK;
  }
  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    return platform::SafeCall([&] { *Output = Input; });
  }
  HRESULT Finish(std::string *Output) override {
    Output->clear();
    return platform::S_OK;
  }
};

} // namespace

ComPtr<IParser> NewDummyParser() { return platform::MakeCom<TDummyParser>(); }

} // namespace zs::parsing
