#include "kernel/kernel_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/class_table.h"
#include "platform/safecall.h"
#include "tests/kernel/kernel_test_support.h"

namespace zs::testing {
namespace {

using platform::E_NOTIMPL;
using platform::E_UNEXPECTED;

class FakeServices : public platform::TComObject<IJobQueue, IURLServices> {
  HRESULT AddJob(IJobRequest *, IGetSiteJob **) override { return E_NOTIMPL; }
  HRESULT SaveTo(const TLocalFileName &) override { return E_NOTIMPL; }
  HRESULT LoadAndMerge(const TLocalFileName &) override { return E_NOTIMPL; }
  HRESULT Clear() override { return E_NOTIMPL; }
  HRESULT GetJobs(IIntfSnapshot **) override { return E_NOTIMPL; }
  HRESULT Parse(const TURL &, TParsedURL *, bool) override { return E_NOTIMPL; }
  HRESULT Simplify(TParsedURL *) override { return E_NOTIMPL; }
  HRESULT Unparse(const TParsedURL &, TURL *) override { return E_NOTIMPL; }
  HRESULT EscapeCheck(TParsedURL *) override { return E_NOTIMPL; }
  HRESULT IsLocalAnchor(const TParsedURL &, bool *) override { return E_NOTIMPL; }
  HRESULT IsSameSite(const TParsedURL &, const TParsedURL &, bool *) override { return E_NOTIMPL; }
};

ComPtr<FakeServices> services;
std::atomic<bool> servicesFail = false;
std::atomic<int> inside = 0, mostInside = 0; // calls inside the job list's entry point

ComPtr<IJobQueue> fakeJobQueue() {
  if (servicesFail) throw EKBadPath("The job list is not there");
  if (++inside > mostInside) mostInside = inside.load();
  EXPECT_TRUE(GetKernel()); // a service may ask for the kernel while it is handed out
  std::this_thread::yield();
  --inside;
  return ComPtr<IJobQueue>(services);
}
ComPtr<IURLServices> fakeURLServices() { return ComPtr<IURLServices>(services); }

// The singleton, and the object an outside client creates, answer alike.
struct KernelSource {
  const char *name;
  ComPtr<IKernel> (*get)();
};
void PrintTo(const KernelSource &source, std::ostream *out) { *out << source.name; }

class KernelObject : public ::testing::TestWithParam<KernelSource> {
protected:
  void SetUp() override {
    services = platform::MakeCom<FakeServices>();
    servicesFail = false;
    mostInside = 0;
  }
  void TearDown() override { services.reset(); }
  ScopedFake<ComPtr<IJobQueue>()> jobQueue_{GetJobQueue, fakeJobQueue};
  ScopedFake<ComPtr<IURLServices>()> urlServices_{GetURLServices, fakeURLServices};
};

TEST_P(KernelObject, HandsOutWhatTheEntryPointsGive) {
  ComPtr<IKernel> kernel = GetParam().get();
  ComPtr<IJobQueue> queue;
  ComPtr<IURLServices> urls;
  ComPtr<IProfiler> profiler;
  platform::OleCheck(kernel->get_JobQueue(queue.put()));
  platform::OleCheck(kernel->get_URLServices(urls.put()));
  platform::OleCheck(kernel->get_Profiler(profiler.put()));
  EXPECT_EQ(queue, ComPtr<IJobQueue>(services));
  EXPECT_EQ(urls, ComPtr<IURLServices>(services));
  EXPECT_EQ(profiler, ComPtr<IProfiler>(GetProfiler()));
  EXPECT_EQ(kernel->get_JobQueue(nullptr), platform::E_POINTER);
}

TEST_P(KernelObject, RaisingEntryPointBecomesAFailingResultThatKeepsTheMessage) {
  servicesFail = true;
  IJobQueue *queue = nullptr;
  platform::TakeErrorInfo();
  EXPECT_EQ(GetParam().get()->get_JobQueue(&queue), E_UNEXPECTED);
  EXPECT_EQ(queue, nullptr);
  EXPECT_EQ(platform::TakeErrorInfo(), "The job list is not there");
}

TEST_P(KernelObject, CallsFromManyThreadsNeverRunInsideTheKernelAtOnce) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([source = GetParam()] {
      ComPtr<IKernel> kernel = source.get();
      ComPtr<IJobQueue> queue;
      for (int call = 0; call < 100; ++call)
        platform::OleCheck(kernel->get_JobQueue(queue.put()));
    });
  for (std::thread &thread : threads)
    thread.join();
  EXPECT_EQ(mostInside, 1);
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelObject,
                         ::testing::Values(KernelSource{"Singleton", [] { return GetKernel(); }},
                                           KernelSource{"Client",
                                                        [] {
                                                          return platform::CreateComObject<IKernel>(
                                                              CLSID_Kernel);
                                                        }}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(KernelSingleton, EveryThreadGetsTheSameOne) {
  kernel::ReleaseKernelSingleton();
  std::vector<IKernel *> seen(8);
  std::vector<std::thread> threads;
  for (IKernel *&kernel : seen)
    threads.emplace_back([&kernel] { kernel = GetKernel().get(); });
  for (std::thread &thread : threads)
    thread.join();
  EXPECT_EQ(seen, std::vector<IKernel *>(8, GetKernel().get()));
}

} // namespace
} // namespace zs::testing
