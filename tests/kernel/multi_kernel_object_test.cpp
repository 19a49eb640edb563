#include "kernel/multi_kernel_object.h"

#include <gtest/gtest.h>

#include "kernel/interfaces.h"
#include "kernel/kernel_object.h"
#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::testing {
namespace {

using platform::CreateComObject;

uint32_t referencesOf(IUnknown *object) {
  object->AddRef();
  return object->Release();
}

// The code and message with which creating an object fails.
std::pair<HRESULT, std::string> creationFailure(const GUID &clsid, const GUID &iid) {
  try {
    CreateComObject(clsid, iid);
  } catch (const platform::EOleSysError &e) {
    return {e.ErrorCode(), e.Message()};
  }
  return {platform::S_OK, ""};
}

TEST(KernelCoClass, EveryClientGetsAnObjectOfItsOwnThatIsNotTheSingleton) {
  ComPtr<IKernel> first = CreateComObject<IKernel>(CLSID_Kernel);
  EXPECT_NE(first, CreateComObject<IKernel>(CLSID_Kernel));
  EXPECT_NE(first, GetKernel());
}

TEST(KernelCoClass, ClientNeverKeepsTheSingletonAlive) {
  ComPtr<IKernel> client = CreateComObject<IKernel>(CLSID_Kernel);
  IKernel *kernel = GetKernel().get();
  const uint32_t held = referencesOf(kernel);
  ComPtr<IProfiler> profiler;
  platform::OleCheck(client->get_Profiler(profiler.put()));
  EXPECT_EQ(referencesOf(kernel), held);
  kernel::ReleaseKernelSingleton(); // the client reaches the next singleton
  ComPtr<IProfiler> again;
  platform::OleCheck(client->get_Profiler(again.put()));
  EXPECT_EQ(again, profiler);
}

TEST(KernelCoClass, CreationFailsForUnknownOrInternalClassesAndMissingInterfaces) {
  constexpr GUID internalKernel = MakeGUID("{014EE76F-7967-4254-B8EC-FEA9D720DEB8}");
  constexpr GUID unknown = MakeGUID("{014EE76F-7967-4254-B8EC-FEA9D720DEB9}");
  for (const GUID &clsid : {internalKernel, unknown})
    EXPECT_EQ(creationFailure(clsid, IKernel::IID),
              std::make_pair(platform::REGDB_E_CLASSNOTREG, std::string("Class not registered")));
  platform::SetErrorInfo("an older failure"); // must not be taken for this one's message
  EXPECT_EQ(creationFailure(CLSID_Kernel, IJobQueue::IID),
            std::make_pair(platform::E_NOINTERFACE, std::string("No such interface supported")));
  platform::TakeErrorInfo();
}

} // namespace
} // namespace zs::testing
