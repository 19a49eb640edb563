#include "kernel/kernel_object.h"

#include <mutex>

#include "kernel/interfaces.h"
#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::kernel {

namespace {

using platform::E_POINTER;
using platform::EOleSysError;
using platform::SafeCall;
using platform::SysErrorMessage;

constexpr GUID CLSID_KernelObject = MakeGUID("{014EE76F-7967-4254-B8EC-FEA9D720DEB8}");

// The kernel lock is re-entrant, as the critical section it stands for: the services
// reached under it may themselves ask for the kernel.
std::recursive_mutex kernelLock; // guards singleton and serialises every IKernel call
ComPtr<IKernel> singleton;

class TKernelObject : public platform::TComObject<IKernel> {
public:
  HRESULT get_JobQueue(IJobQueue **Value) override { return handOut(Value, GetJobQueue); }
  HRESULT get_URLServices(IURLServices **Value) override { return handOut(Value, GetURLServices); }
  HRESULT get_Profiler(IProfiler **Value) override { return handOut(Value, GetProfiler); }

private:
  template <class I, class Service> static HRESULT handOut(I **Value, const Service &service) {
    return SafeCall([&] {
      if (!Value) throw EOleSysError(SysErrorMessage(E_POINTER), E_POINTER);
      *Value = nullptr;
      std::lock_guard guard(kernelLock);
      *Value = ComPtr<I>(service()).Detach();
    });
  }
};

} // namespace

ComPtr<IKernel> GetKernel() {
  std::lock_guard guard(kernelLock);
  if (!singleton) singleton = platform::MakeCom<TKernelObject>();
  return singleton;
}

void RegisterKernelObjectClass() {
  // Internal: outside clients reach the kernel through the Kernel co-class instead, so
  // that they never hold the singleton itself.
  platform::RegisterComClass(CLSID_KernelObject, "TKernelObject", "", nullptr);
}

void ReleaseKernelSingleton() {
  ComPtr<IKernel> released; // dropped after the lock is left
  std::lock_guard guard(kernelLock);
  released = std::move(singleton);
}

} // namespace zs::kernel
