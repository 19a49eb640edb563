// A module whose main object is an advanced parser for any kind of text: it writes each block
// upper-cased and keeps a record of how the host used it.
#include <cctype>

#include "tests/plugins/modules/parser_probe.h"
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

namespace {

class TProbeParser : public platform::TComObject<IAdvancedParser, IParserProbe> {
public:
  HRESULT Init(IURLParser *, IJobRequest *, TLinkReportFunction, void *, IParams *Params,
               ICustomParseProcessor *CustomProcessor) override {
    ++record_.Inits;
    record_.CustomProcessor = CustomProcessor;
    if (Params) return Params->get_Value("id", &record_.ParamsID);
    record_.ParamsID.assign(1, '-');
    return platform::S_OK;
  }
  HRESULT ProcessBlock(const std::string &Input, std::string *Output) override {
    *Output = Input;
    for (char &c : *Output)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return platform::S_OK;
  }
  HRESULT Finish(std::string *Output) override {
    Output->clear();
    return platform::S_OK;
  }
  HRESULT BlockParserCreated() override {
    ++record_.BlocksCreated;
    return platform::S_OK;
  }
  HRESULT BlockParserReleased() override {
    ++record_.BlocksReleased;
    return platform::S_OK;
  }
  TParserProbeRecord *Record() override { return &record_; }

protected:
  void *lookupExtra(const GUID &iid) override {
    return iid == IID_IParserModule ? static_cast<IAdvancedParser *>(this) : nullptr;
  }

private:
  TParserProbeRecord record_;
};

} // namespace

ZS_MODULE_CHECKS_HOST()

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = static_cast<IAdvancedParser *>(platform::MakeCom<TProbeParser>().Detach());
}
