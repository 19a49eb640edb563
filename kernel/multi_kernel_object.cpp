#include "kernel/multi_kernel_object.h"

#include "kernel/interfaces.h"
#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::kernel {

namespace {

// Every client gets an object of its own that holds nothing and asks GetKernel on each
// call, so no client keeps the singleton alive.
class TMultiKernelObject : public platform::TComObject<IKernel> {
public:
  HRESULT get_JobQueue(IJobQueue **Value) override {
    return forward(&IKernel::get_JobQueue, Value);
  }
  HRESULT get_URLServices(IURLServices **Value) override {
    return forward(&IKernel::get_URLServices, Value);
  }
  HRESULT get_Profiler(IProfiler **Value) override {
    return forward(&IKernel::get_Profiler, Value);
  }

private:
  template <class I> static HRESULT forward(HRESULT (IKernel::*method)(I **), I **Value) {
    // OleCheck carries the singleton's failure, code and message, back out through SafeCall.
    return platform::SafeCall([&] { platform::OleCheck((GetKernel().get()->*method)(Value)); });
  }
};

} // namespace

void RegisterMultiKernelObject() {
  platform::RegisterComClass(CLSID_Kernel, "Kernel", "Zelvor Sumbra! managment object", [] {
    return ComPtr<IUnknown>(platform::MakeCom<TMultiKernelObject>());
  });
}

} // namespace zs::kernel
