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

using platform::CreateComObject;

ComPtr<IJobQueue> jobQueue; // the module's, handed out by the fake entry point
std::atomic<bool> jobQueueFails = false;
std::atomic<int> inside = 0, mostInside = 0; // calls inside the job list's entry point

ComPtr<IJobQueue> fakeJobQueue() {
  if (jobQueueFails) throw EKBadPath("The job list is not there");
  if (++inside > mostInside) mostInside = inside.load();
  EXPECT_TRUE(GetKernel()); // a service may ask for the kernel while it is handed out
  std::this_thread::yield();
  --inside;
  return jobQueue;
}

uint32_t referencesOf(IUnknown *object) {
  object->AddRef();
  return object->Release();
}

// The singleton, and the objects outside clients create, answer alike.
class KernelObject : public ::testing::Test {
protected:
  static void SetUpTestSuite() { jobQueue = GetJobQueue(); }
  static void TearDownTestSuite() { jobQueue.reset(); }
  void TearDown() override { jobQueueFails = false; }
  ScopedFake<ComPtr<IJobQueue>()> jobQueue_{GetJobQueue, fakeJobQueue};
};

TEST_F(KernelObject, HandsOutWhatTheEntryPointsGiveAndFailuresWithTheirMessage) {
  for (const ComPtr<IKernel> &kernel : {GetKernel(), CreateComObject<IKernel>(CLSID_Kernel)}) {
    ComPtr<IJobQueue> queue;
    ComPtr<IURLServices> urls;
    ComPtr<IProfiler> profiler;
    platform::OleCheck(kernel->get_JobQueue(queue.put()));
    platform::OleCheck(kernel->get_URLServices(urls.put()));
    platform::OleCheck(kernel->get_Profiler(profiler.put()));
    EXPECT_EQ(queue, jobQueue);
    EXPECT_EQ(urls, GetURLServices());
    EXPECT_EQ(profiler, ComPtr<IProfiler>(GetProfiler()));
    EXPECT_EQ(kernel->get_JobQueue(nullptr), platform::E_POINTER);

    jobQueueFails = true;
    IJobQueue *failed = nullptr;
    platform::TakeErrorInfo();
    EXPECT_EQ(kernel->get_JobQueue(&failed), platform::E_UNEXPECTED);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(platform::TakeErrorInfo(), "The job list is not there");
    jobQueueFails = false;
  }
}

TEST_F(KernelObject, CallsFromManyThreadsNeverRunInsideTheKernelAtOnce) {
  kernel::ReleaseKernelSingleton();
  std::vector<IKernel *> seen(8);
  std::vector<std::thread> threads;
  for (IKernel *&kernel : seen)
    threads.emplace_back([&kernel] {
      kernel = GetKernel().get();
      ComPtr<IKernel> client = CreateComObject<IKernel>(CLSID_Kernel);
      ComPtr<IJobQueue> queue;
      for (int call = 0; call < 50; ++call) {
        platform::OleCheck(kernel->get_JobQueue(queue.put()));
        platform::OleCheck(client->get_JobQueue(queue.put()));
      }
    });
  for (std::thread &thread : threads)
    thread.join();
  EXPECT_EQ(mostInside, 1);
  EXPECT_EQ(seen, std::vector<IKernel *>(8, GetKernel().get())); // one singleton for all
}

TEST(KernelCoClass, EveryClientGetsAnObjectOfItsOwnThatNeverKeepsTheSingletonAlive) {
  ComPtr<IKernel> client = CreateComObject<IKernel>(CLSID_Kernel);
  EXPECT_NE(client, CreateComObject<IKernel>(CLSID_Kernel));
  EXPECT_NE(client, GetKernel());
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

} // namespace
} // namespace zs::testing
