// The program's self-update as an outside caller drives it: update files handed over, fetched
// by the update job of the real job list, and the update started once all of it is there.
#include <cstdlib>
#include <filesystem>

#include "platform/class_table.h"
#include "tests/retrieval/retrieval_test_support.h"
#include "update/update_get_site_events.h"

namespace zs::testing {
namespace {

namespace fs = std::filesystem;

class UpdateTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char *old = std::getenv("TMPDIR");
    oldTemp = old ? old : "";
    setenv("TMPDIR", temp.Path().c_str(), 1);
    vendorFolderURL = "file://" + site.Path();
  }
  void TearDown() override {
    OleCheck(GetJobQueue()->Clear());
    SettleFetches();
    FreeGetFileController();
    if (oldTemp.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", oldTemp.c_str(), 1);
  }

  ComPtr<IUpdateController> controller() const {
    return platform::CreateComObject<IUpdateController>(CLSID_UpdateController);
  }
  // An update program that leaves its name in the mark when it runs.
  std::string updateProgram(const std::string &name) {
    WriteFile(site.File(name), "#!/bin/sh\necho " + name + " > '" + mark + "'\n");
    return "file://" + site.File(name);
  }
  static std::vector<std::string> logOf(IGetSiteJob *job) {
    auto *sink =
        static_cast<TLogGetSiteEvents *>(Internal(job)->GetEvents()->GetFileEvents().get());
    std::lock_guard guard(sink->Log->Lock);
    return sink->Log->Lines;
  }

  TempDir temp, site;
  static inline std::string vendorFolderURL;
  std::string oldTemp;
  const std::string mark = temp.File("update-ran");
  // The vendor's site stands in a local folder.
  TScopedEntry<TURL()> vendorSite{UpdateSiteURL, [] { return TURL(vendorFolderURL); }};
  TScopedEntry<ComPtr<IIGetSiteEvents>(IKGetSiteJob *)> sinks{
      CreateDefaultGetSiteEvents, [](IKGetSiteJob *Job) -> ComPtr<IIGetSiteEvents> {
        return platform::MakeCom<TLogGetSiteEvents>(Job);
      }};
};

// (The versions the controller tells are checked through the bus, as callers ask them.)
TEST_F(UpdateTest, TheUpdateRequestIsFixedAndRefusesToChange) {
  vendorFolderURL = "http://www.zelvor.com/";
  ComPtr<IJobRequest> request = CreateUpdJobRequest("http://www.zelvor.com/update.exe");
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  EXPECT_EQ(def, (TJobRequestDef{"Zelvor automatic update", ctExact, -1, "index.htm",
                                 "http://www.zelvor.com/update.exe", "http://www.zelvor.com/",
                                 false, temp.File("Zelvor unfinished AutoUpdate")}));
  def.Title = "mine";
  EXPECT_EQ(request->Change(def), platform::E_ACCESSDENIED);
}

TEST_F(UpdateTest, TwoUpdateFilesMakeOneJobThatGoesOnceAllIsThereAndStartsTheFirst) {
  const std::string first = updateProgram("update.sh");
  const std::string second = updateProgram("readme.sh");
  OleCheck(controller()->AddUpdateFile(first));
  OleCheck(controller()->AddUpdateFile(second));
  PumpMainThread();
  ASSERT_EQ(QueueJobs().size(), 1u);
  ComPtr<IGetSiteJob> job = QueueJobs()[0];
  EXPECT_TRUE(Internal(job.get())->GetEvents()->IsUpdateJob());
  const std::map<std::string, TLinkState> links = LinkStates(job.get());
  EXPECT_EQ(links.size(), 2u);
  EXPECT_TRUE(links.contains(second));

  ASSERT_TRUE(PumpUntil([&] { return QueueJobs().empty() && !ReadFile(mark).empty(); }));
  EXPECT_EQ(ReadFile(mark), "update.sh\n");
  EXPECT_TRUE(fs::exists(temp.File("Zelvor unfinished AutoUpdate/")));
}

TEST_F(UpdateTest, AnUpdateWithFailedFilesStaysFinishedWithOneWarningAndStartsNothing) {
  OleCheck(controller()->AddUpdateFile("file://" + site.File("gone.sh")));
  OleCheck(controller()->AddUpdateFile("file://" + site.File("gone too.sh")));
  ASSERT_TRUE(PumpUntil(
      [&] { return !QueueJobs().empty() && StateOf(QueueJobs()[0].get()) == jsFinished; }));
  SettleFetches();
  const std::vector<std::string> log = logOf(QueueJobs()[0].get());
  EXPECT_EQ(std::ranges::count(log, "Warning: " + std::string(update::IncompleteUpdateWarning)), 1);
  EXPECT_FALSE(fs::exists(mark));
}

TEST_F(UpdateTest, AnUpdateFileThatIsNoProgramIsToldOfWhenItWouldStart) {
  WriteFile(site.File("notes.txt"), "no program");
  OleCheck(controller()->AddUpdateFile("file://" + site.File("notes.txt")));
  try {
    PumpUntil([&] { return false; });
    ADD_FAILURE() << "the start did not fail";
  } catch (const platform::EOSError &error) {
    EXPECT_NE(std::string(error.what()).find("notes.txt"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(QueueJobs().empty());
}

} // namespace
} // namespace zs::testing
