#include "kernel/job_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/main_loop.h"
#include "tests/kernel/job_test_support.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

const std::string sharedFolder =
    "This path is used by another job. (We can't share folders such way)";
const std::string cannotOpen = "Cannot open file. Possibly it isn't exists or not in XML format "
                               "(corrupted or illegal).";

// The refusal of the job list's check; "" when the folder is accepted.
std::string refusalOf(const std::string &path, IJobRequest *request = nullptr) {
  std::string message = "not set";
  bool accepted = CheckProjectDir(path, request, message);
  EXPECT_EQ(accepted, message.empty()) << path << ": " << message;
  return message;
}

// The module's job list, reached through its published interface.
class JobQueueTest : public JobTest {
protected:
  ComPtr<IGetSiteJob> addJob(const std::string &name) {
    ComPtr<IGetSiteJob> job;
    OleCheck(queue_->AddJob(NewRequest(Dir(name)).get(), job.put()));
    return job;
  }
  // The folders of the list's jobs in its order, as names in the test's folder.
  std::vector<std::string> projectDirs() {
    std::vector<std::string> dirs;
    for (const ComPtr<IGetSiteJob> &job : Jobs()) {
      ComPtr<IJobRequest> request;
      OleCheck(job->get_JobRequest(request.put()));
      OleCheck(request->get_ProjectDir(&dirs.emplace_back()));
      dirs.back().erase(0, Dir("").size());
    }
    return dirs;
  }
  ComPtr<IJobQueue> queue_ = GetJobQueue();
};

TEST_F(JobQueueTest, APathThatDoesNotBeginWithAnExistingTopFolderIsRefused) {
  for (std::string path :
       {"", "//tmp", "C:\\site", "relative/site", "./tmp/site", "/no-such-zs-top-folder/site"})
    EXPECT_EQ(refusalOf(path), "This Path is incorrect. It must begans with correct disk name.")
        << path;
  EXPECT_EQ(refusalOf(Dir("not/made/yet")), "");
}

TEST_F(JobQueueTest, AFolderOfAnotherJobIsRefusedHoweverItIsSpelt) {
  fs::create_directory(Dir("Site")); // a folder of its own on this file system
  ComPtr<IGetSiteJob> job = addJob("site");
  fs::create_directory_symlink(Dir("site"), Dir("link"));
  for (const char *path : {"site/", "link", "none/../site", "SITE"})
    EXPECT_EQ(refusalOf(Dir(path)), sharedFolder) << path;
  for (const char *path : {"site/sub", "Site"})
    EXPECT_EQ(refusalOf(Dir(path)), "");

  ComPtr<IJobRequest> own, clone;
  OleCheck(job->get_JobRequest(own.put()));
  EXPECT_EQ(refusalOf(Dir("site"), own.get()), "");
  OleCheck(own->Clone(clone.put()));
  IGetSiteJob *second = nullptr;
  EXPECT_NE(FailureOf(queue_->AddJob(clone.get(), &second)), "");
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(projectDirs(), (std::vector<std::string>{"site"}));
}

TEST_F(JobQueueTest, ASavedListLoadsBackInItsOrderAndOnlyOnceAndASnapshotKeepsWhatClearRemoved) {
  const std::string list = Dir("lists/new/jobs.jl");
  {
    ComPtr<IGetSiteJob> first = addJob("c");
    addJob("a");
    addJob("b");
    OleCheck(queue_->SaveTo(list));
    ComPtr<IIntfSnapshot> before;
    OleCheck(queue_->GetJobs(before.put()));
    OleCheck(queue_->Clear());
    ASSERT_EQ(projectDirs(), std::vector<std::string>());
    EXPECT_EQ(TRecordingGetSiteEvents::Of(first.get()), nullptr); // told and let go
    int32_t count = 0;
    OleCheck(before->get_Count(&count));
    ASSERT_EQ(count, 3);
    ComPtr<IUnknown> item;
    OleCheck(before->get_Item(0, item.put()));
    EXPECT_EQ(item, first.As<IUnknown>());
    for (int32_t outside : {-1, 3}) {
      IUnknown *none = reinterpret_cast<IUnknown *>(1);
      EXPECT_TRUE(platform::Failed(before->get_Item(outside, &none))) << outside;
      EXPECT_EQ(none, nullptr);
    }
  }
  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), (std::vector<std::string>{"c", "a", "b"}));
  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(JobQueueTest, JobsWithAnIllegalOrTakenFolderAreLeftOutOfALoad) {
  addJob("taken");
  auto job = [&](const std::string &dir) {
    return "<Job><Request FirstPageURL=\"http://127.0.0.1/\" ProjectDir=\"" + dir + "\"/></Job>";
  };
  const std::string list = Dir("jobs.jl");
  WriteFile(list, "<JobList xmlns=\"\">" + job(Dir("x")) + job("relative/dir") + job(Dir("taken")) +
                      "<Job/>" + job(Dir("x")) + job(Dir("y")) + "</JobList>");
  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), (std::vector<std::string>{"taken", "x", "y"}));
}

TEST_F(JobQueueTest, AFileThatIsNoJobListLoadsNothingAndKeepsTheListAndTheFile) {
  addJob("kept");
  const std::pair<const char *, std::string> cases[] = {
      {nullptr, cannotOpen}, // no file at all
      {"<Job><Job/></Job>", "It's not a JobList file"},
      {"<JobList xmlns=\"\"/>", ""}};
  for (const auto &[content, message] : cases) {
    const std::string list = Dir("jobs.jl");
    fs::remove(list);
    if (content) WriteFile(list, content);
    EXPECT_EQ(FailureOf(queue_->LoadAndMerge(list)), message);
    EXPECT_EQ(projectDirs(), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(content ? ReadFile(list) : "", content ? content : "");
  }
}

TEST_F(JobQueueTest, ASaveThatCannotMakeItsFolderSaysWhyAndWritesNothing) {
  addJob("a");
  WriteFile(Dir("plain"), "a file, not a folder");
  std::string message = FailureOf(queue_->SaveTo(Dir("plain/lists/jobs.jl")));
  EXPECT_EQ(message.rfind("Cannot save file. Reason: ", 0), 0u) << message;
  EXPECT_GT(message.size(), std::string("Cannot save file. Reason: .").size()) << message;
  EXPECT_EQ(ReadFile(Dir("plain")), "a file, not a folder");
}

TEST_F(JobQueueTest, AnotherThreadMayCheckFoldersWhileJobsAreAdded) {
  std::atomic<bool> done = false;
  std::thread checker([&] {
    while (!done)
      EXPECT_EQ(refusalOf(Dir("free")), "");
  });
  for (const char *name : {"a", "b", "c", "d"})
    addJob(name);
  done = true;
  checker.join();
  EXPECT_EQ(refusalOf(Dir("d")), sharedFolder);
}

// A scheduler whose only answer is whether jobs run.
class FakeScheduler : public platform::TComObject<IKJobExecuteController> {
public:
  void Add(IKGetSiteJob *) override {}
  void Remove(IKGetSiteJob *) override {}
  bool HasJobs() override { return running; }
  void SlotFreed() override {}
  void TryExecute(IKGetSiteJob *) override {}
  bool running = false;
};

ComPtr<FakeScheduler> scheduler;
std::chrono::system_clock::time_point now;

// Shuts the kernel down in the middle of the program; the tests after it need a new list.
class ShutdownKernelTest : public ::testing::Test {
protected:
  void TearDown() override {
    KernelShuttingDown = false;
    kernel::CreateJobQueue();
  }
  TScopedRecordingEvents events_;
  TScopedGetFileController controller_;
  TempDir dir_;
  std::string Dir(const std::string &name) const { return dir_.File(name); }
};

// The reports of cancelled fetches hold the job, and the job its list, until they have run.
TEST_F(ShutdownKernelTest, RemovesEveryJobAndRunsTheirReportsBeforeTheListIsGone) {
  ComPtr<TRecordingGetSiteEvents> running;
  {
    ComPtr<IGetSiteJob> job; // a job of the module's list that the test itself does not hold
    OleCheck(GetJobQueue()->AddJob(NewRequest(Dir("a")).get(), job.put()));
    OleCheck(job->Run());
    running = TRecordingGetSiteEvents::Of(job.get());
  }
  CreateJobWithEvents(NewRequest(Dir("b")).get(), nullptr);
  ASSERT_EQ(controller_->Running().size(), 1u);
  ShutdownKernel();
  EXPECT_TRUE(KernelShuttingDown);
  EXPECT_TRUE(JobQueueDestroyed);
  EXPECT_EQ(running->Removals, 1);
  EXPECT_EQ(running->States, std::vector<TJobState>{jsRunning}); // no reports while shutting down
  EXPECT_EQ(platform::ProcessPendingMessages(), 0);
  EXPECT_THROW(GetJobQueue(), platform::Exception);
  EXPECT_FALSE(GetFileControllerExists());
}

} // namespace
} // namespace zs::testing
