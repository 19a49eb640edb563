// A module whose initialisation hands out its main object and then raises an exception of
// its own class, whose code lives only in this module.
#include "tests/plugins/modules/test_module.h"

using namespace zs;
using namespace zs::testing;

namespace {

ZS_EXCEPTION_CLASS(EModuleStart, platform::Exception);

// Written without the COM base classes: their interface identifiers become symbols that keep
// a module mapped for good, and this module must really unload when the host frees it.
class TPartialObject final : public IUnknown {
public:
  TPartialObject() { ++Counters.LiveObjects; }
  HRESULT QueryInterface(const GUID &, void **object) override {
    *object = nullptr;
    return platform::E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    uint32_t left = --references_;
    if (left == 0) {
      --Counters.LiveObjects;
      delete this;
    }
    return left;
  }

private:
  std::atomic<uint32_t> references_{1};
};

} // namespace

ZS_MODULE_CHECKS_HOST()

void PluginInit(IKernel *Kernel, IUnknown **Module) {
  RecordInit(Kernel);
  *Module = new TPartialObject;
  throw EModuleStart("The test module cannot start");
}
