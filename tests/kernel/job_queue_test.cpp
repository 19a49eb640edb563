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

const std::string incorrectDisk = "This Path is incorrect. It must begans with correct disk name.";
const std::string sharedFolder =
    "This path is used by another job. (We can't share folders such way)";
const std::string cannotOpen = "Cannot open file. Possibly it isn't exists or not in XML format "
                               "(corrupted or illegal).";

// The message of a failing result; "" when it succeeded.
std::string failureOf(HRESULT result) {
  try {
    OleCheck(result);
  } catch (const platform::EOleSysError &error) {
    return error.Message();
  }
  return "";
}

// The refusal of the job list's check; "" when the folder is accepted.
std::string refusalOf(const std::string &path, IJobRequest *request = nullptr) {
  std::string message = "not set";
  bool accepted = CheckProjectDir(path, request, message);
  EXPECT_EQ(accepted, message.empty()) << path << ": " << message;
  return message;
}

std::vector<std::string> projectDirsOf(IIntfSnapshot *snapshot) {
  int32_t count = 0;
  OleCheck(snapshot->get_Count(&count));
  std::vector<std::string> dirs(count);
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<IUnknown> job;
    OleCheck(snapshot->get_Item(i, job.put()));
    ComPtr<IJobRequest> request;
    OleCheck(job.As<IGetSiteJob>()->get_JobRequest(request.put()));
    OleCheck(request->get_ProjectDir(&dirs[i]));
  }
  return dirs;
}

// The module's job list with real jobs in folders of a temporary folder; whatever a test
// leaves in the list is removed after it.
class JobQueueTest : public ::testing::Test {
protected:
  void TearDown() override { OleCheck(queue_->Clear()); }

  ComPtr<IGetSiteJob> addJob(const std::string &name) {
    ComPtr<IGetSiteJob> job;
    OleCheck(queue_->AddJob(NewRequest(dir_.File(name)).get(), job.put()));
    return job;
  }
  ComPtr<IIntfSnapshot> jobs() {
    ComPtr<IIntfSnapshot> snapshot;
    OleCheck(queue_->GetJobs(snapshot.put()));
    return snapshot;
  }
  std::vector<std::string> projectDirs() { return projectDirsOf(jobs().get()); }
  std::vector<std::string> files(std::initializer_list<const char *> names) {
    std::vector<std::string> result;
    for (const char *name : names)
      result.push_back(dir_.File(name));
    return result;
  }

  TScopedRecordingEvents events_;
  TScopedGetFileController controller_;
  TempDir dir_;
  ComPtr<IJobQueue> queue_ = GetJobQueue();
};

TEST_F(JobQueueTest, APathThatDoesNotBeginWithAnExistingTopFolderIsRefused) {
  for (std::string path : {"", "/t", "//tmp", "C:\\site", "relative/site", "./tmp/site",
                           "/no-such-zs-top-folder/site"})
    EXPECT_EQ(refusalOf(path), incorrectDisk) << path;
  EXPECT_EQ(refusalOf(dir_.Path()), "");
  EXPECT_EQ(refusalOf(dir_.File("not/made/yet")), "");
}

TEST_F(JobQueueTest, AFolderOfAnotherJobIsRefusedHoweverItIsSpelt) {
  fs::create_directory(dir_.File("Site")); // a folder of its own on this file system
  ComPtr<IGetSiteJob> job = addJob("site");
  fs::create_directory_symlink(dir_.File("site"), dir_.File("link"));
  for (const char *path : {"site", "site/", "link", "site/../site", "none/../site", "SITE"})
    EXPECT_EQ(refusalOf(dir_.File(path)), sharedFolder) << path;
  for (const char *path : {"site/sub", "Site", "other"})
    EXPECT_EQ(refusalOf(dir_.File(path)), "");

  ComPtr<IJobRequest> own;
  OleCheck(job->get_JobRequest(own.put()));
  EXPECT_EQ(refusalOf(dir_.File("site"), own.get()), "");
  ComPtr<IJobRequest> clone;
  OleCheck(own->Clone(clone.put()));
  EXPECT_EQ(refusalOf(dir_.File("site"), clone.get()), sharedFolder);

  IGetSiteJob *second = nullptr;
  EXPECT_NE(failureOf(queue_->AddJob(clone.get(), &second)), "");
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(projectDirs(), files({"site"}));
}

TEST_F(JobQueueTest, ASavedListLoadsBackInItsOrderAndOnlyOnce) {
  addJob("c");
  addJob("a");
  addJob("b");
  const std::string list = dir_.File("lists/new/jobs.jl");
  OleCheck(queue_->SaveTo(list));
  OleCheck(queue_->Clear());
  ASSERT_EQ(projectDirs(), std::vector<std::string>());

  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), files({"c", "a", "b"}));
  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), files({"c", "a", "b"}));
}

TEST_F(JobQueueTest, JobsWithAnIllegalOrTakenFolderAreLeftOutOfALoad) {
  addJob("taken");
  auto job = [&](const std::string &dir) {
    return "<Job><Request FirstPageURL=\"http://127.0.0.1/\" ProjectDir=\"" + dir + "\"/></Job>";
  };
  const std::string list = dir_.File("jobs.jl");
  WriteFile(list, "<JobList xmlns=\"\">" + job(dir_.File("x")) + job("relative/dir") +
                      job(dir_.File("taken")) + "<Job/>" + job(dir_.File("x")) +
                      job(dir_.File("y")) + "</JobList>");
  OleCheck(queue_->LoadAndMerge(list));
  EXPECT_EQ(projectDirs(), files({"taken", "x", "y"}));
}

TEST_F(JobQueueTest, AnotherThreadMayCheckFoldersWhileJobsAreAdded) {
  std::atomic<bool> done = false;
  std::thread checker([&] {
    while (!done)
      EXPECT_EQ(refusalOf(dir_.File("free")), "");
  });
  for (const char *name : {"a", "b", "c", "d"})
    addJob(name);
  done = true;
  checker.join();
  EXPECT_EQ(refusalOf(dir_.File("d")), sharedFolder);
}

TEST_F(JobQueueTest, AFileThatIsNoJobListLoadsNothingAndKeepsTheListAndTheFile) {
  addJob("kept");
  const std::pair<const char *, std::string> cases[] = {
      {nullptr, cannotOpen}, // no file at all
      {"JobList <Job>", cannotOpen},
      {"<Job><Job/></Job>", "It's not a JobList file"},
      {"<JobList xmlns=\"\"/>", ""}};
  for (const auto &[content, message] : cases) {
    const std::string list = dir_.File("jobs.jl");
    fs::remove(list);
    if (content) WriteFile(list, content);
    EXPECT_EQ(failureOf(queue_->LoadAndMerge(list)), message);
    EXPECT_EQ(projectDirs(), files({"kept"}));
    if (content) {
      EXPECT_EQ(ReadFile(list), content);
    }
  }
}

TEST_F(JobQueueTest, ASaveThatCannotMakeItsFolderSaysWhyAndWritesNothing) {
  addJob("a");
  WriteFile(dir_.File("plain"), "a file, not a folder");
  std::string message = failureOf(queue_->SaveTo(dir_.File("plain/lists/jobs.jl")));
  EXPECT_EQ(message.rfind("Cannot save file. Reason: ", 0), 0u) << message;
  EXPECT_GT(message.size(), std::string("Cannot save file. Reason: .").size()) << message;
  EXPECT_EQ(message.back(), '.');
  EXPECT_EQ(ReadFile(dir_.File("plain")), "a file, not a folder");
}

TEST_F(JobQueueTest, ASnapshotKeepsTheJobsThatClearRemoved) {
  ComPtr<IGetSiteJob> first = addJob("a");
  addJob("b");
  ComPtr<IIntfSnapshot> before = jobs();
  OleCheck(queue_->Clear());
  EXPECT_EQ(projectDirs(), std::vector<std::string>());
  EXPECT_EQ(TRecordingGetSiteEvents::Of(first.get()), nullptr); // told and let go
  int32_t count = 0;
  OleCheck(before->get_Count(&count));
  ASSERT_EQ(count, 2);
  ComPtr<IUnknown> item;
  OleCheck(before->get_Item(0, item.put()));
  EXPECT_EQ(item, first.As<IUnknown>());
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

class Maintenance : public ::testing::Test {
protected:
  void SetUp() override {
    scheduler = platform::MakeCom<FakeScheduler>();
    now = std::chrono::system_clock::now();
    timer_ = platform::MakeCom<kernel::TJobQueue>([] { return now; }).As<IKMaintenanceTimer>();
  }
  void TearDown() override { scheduler.reset(); }
  bool due() { return timer_->IsMaintenanceDue(); }

  ScopedFake<ComPtr<IKJobExecuteController>()> fake_{
      GetJobExecuteController, [] { return ComPtr<IKJobExecuteController>(scheduler); }};
  ComPtr<IKMaintenanceTimer> timer_;
};

TEST_F(Maintenance, WhileJobsRunItIsDueOnlyWhenMoreThanTenMinutesHavePassed) {
  using namespace std::chrono_literals;
  EXPECT_TRUE(due()); // at every call while no job runs
  EXPECT_TRUE(due());
  scheduler->running = true;
  EXPECT_FALSE(due());
  now += 10min;
  EXPECT_FALSE(due());
  now += 1s;
  EXPECT_TRUE(due());
  now += 9min;
  EXPECT_FALSE(due()); // counted from the last time it was due
  now += 2min;
  EXPECT_TRUE(due());
  now -= 1s; // a clock set back
  EXPECT_TRUE(due());
  now += 1s;
  EXPECT_FALSE(due());
}

TEST_F(Maintenance, ASecondJobListGoingLeavesTheFlagOfTheFirstDown) {
  timer_.reset();
  EXPECT_FALSE(JobQueueDestroyed);
}

// Shuts the kernel down in the middle of the program; the tests after it need a new list.
class ShutdownKernelTest : public ::testing::Test {
protected:
  void TearDown() override {
    KernelShuttingDown = false;
    kernel::RegisterJobQueue();
  }

  // A job of the module's list that the test itself does not hold.
  ComPtr<TRecordingGetSiteEvents> addJob(const std::string &name, bool run) {
    ComPtr<IGetSiteJob> job;
    OleCheck(GetJobQueue()->AddJob(NewRequest(dir_.File(name)).get(), job.put()));
    if (run) OleCheck(job->Run());
    return TRecordingGetSiteEvents::Of(job.get());
  }

  TScopedRecordingEvents events_;
  TScopedGetFileController controller_;
  TempDir dir_;
};

// The reports of cancelled fetches hold the job, and the job its list, until they have run.
TEST_F(ShutdownKernelTest, RemovesEveryJobAndRunsTheirReportsBeforeTheListIsGone) {
  ComPtr<TRecordingGetSiteEvents> running = addJob("a", true);
  CreateJobWithEvents(NewRequest(dir_.File("b")).get(), nullptr);
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
