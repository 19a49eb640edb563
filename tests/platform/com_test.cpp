#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs {
namespace {

using platform::EOleSysError;
using platform::MakeCom;
using platform::OleCheck;
using platform::SafeCall;
using platform::TComObject;

// A job-like object with a chain of interfaces (IKGetSiteJob -> IIGetSiteJob -> IGetSiteJob)
// and a second, unrelated one.
class Probe : public TComObject<IIntfSnapshot, IILinkMessageSupport> {
public:
  explicit Probe(int *destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }
  HRESULT get_Count(int32_t *value) override {
    return SafeCall([&] { *value = 7; });
  }
  HRESULT get_Item(int32_t, IUnknown **) override {
    return SafeCall([] { throw platform::Exception("no items here"); });
  }
  void DispatchMessage(void *) override {}

private:
  int *destroyed_;
};

TEST(Com, InterfacesShareOneIdentityAndExceptionsBecomeFailingResultsWithTheirMessage) {
  int destroyed = 0;
  {
    ComPtr<IIntfSnapshot> snapshot = MakeCom<Probe>(&destroyed);
    EXPECT_FALSE(snapshot.As<IKernel>());
    EXPECT_EQ(snapshot.As<IUnknown>().get(),
              snapshot.As<IILinkMessageSupport>().As<IUnknown>().get());
    int32_t count = 0;
    OleCheck(snapshot->get_Count(&count));
    EXPECT_EQ(count, 7);
    IUnknown *item = nullptr;
    HRESULT hr = snapshot->get_Item(0, &item);
    EXPECT_EQ(hr, platform::E_UNEXPECTED);
    try {
      OleCheck(hr);
      FAIL() << "OleCheck accepted a failure";
    } catch (const EOleSysError &e) {
      EXPECT_EQ(e.Message(), "no items here");
    }
    // The error info was taken: a later bare failure gets the system's text.
    try {
      OleCheck(platform::E_INVALIDARG);
    } catch (const EOleSysError &e) {
      EXPECT_EQ(e.Message(), "The parameter is incorrect.");
    }
    // An OLE error crosses the boundary with its own code.
    hr = SafeCall([] { throw EOleSysError("refused", platform::E_ACCESSDENIED); });
    EXPECT_EQ(hr, platform::E_ACCESSDENIED);
    EXPECT_EQ(platform::TakeErrorInfo(), "refused");
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

std::atomic<HRESULT> lateResult{platform::S_OK};

// Made before the thread's error info, so destroyed after it when the thread ends.
struct LateCaller {
  ~LateCaller() {
    lateResult = SafeCall([] { throw std::runtime_error(std::string(200, 'x')); });
  }
};

TEST(Com, APublishedMethodCalledAsItsThreadEndsStillFailsCleanly) {
  std::thread([] {
    thread_local LateCaller caller;
    (void)caller;
    // A long message puts the error info on the heap: using it once it is destroyed would
    // write to freed memory.
    SafeCall([] { throw std::runtime_error(std::string(200, 'y')); });
  }).join();
  EXPECT_EQ(lateResult, platform::E_UNEXPECTED);
}

} // namespace
} // namespace zs
