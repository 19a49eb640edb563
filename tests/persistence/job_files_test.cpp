// Job description files and job list files as whole files: what they hold, what is restored,
// what a failed save leaves behind, and what loading a bad file raises.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/persistence/persistence_test_support.h"

namespace zs::testing {
namespace {

const std::string cannotOpen =
    "Cannot open file. Possibly it isn't exists or not in XML format (corrupted or illegal).";
const std::string notJobList = "It's not a JobList file";

class JobFiles : public ::testing::Test {
protected:
  JobFiles() { links.Add({"http://example.com/docs/start.html", ltUserEntered, 0, lsCompleteOK}); }

  TempDir dir;
  std::string project = dir.File("site/project"); // missing until a save creates it
  std::string description = project + "/#Sumbra.&jd";
  std::string journal = project + "/#Sumbra.&jq";
  ComPtr<IJobRequest> request = MakeRequest(SampleDef(project));
  TLinks links;
};

TEST_F(JobFiles, DescriptionRestoresStateRequestAndLinks) {
  links.Add({"http://example.com/docs/logo.png",
             ltImage,
             1,
             lsCompleteBad,
             "img",
             {{"alt", "A \"x\" & <y>"}, {"id", ""}}});
  links.Add({"http://example.com/docs/busy.html?q=1&r=2", ltAHref, 2, lsInUse, "a"});
  links.Add({"http://other:8080/x.css", ltStylesheet, 1, lsRejected, "link"});
  std::vector<TSavedLink> expected = links.All();
  for (TSavedLink &link : expected) // a fetch in progress is waiting again when read back
    if (link.State == lsInUse) link.State = lsPure;
  SaveJobDescription(jsFinished, request.get(), links.Links.get(), project);

  ComPtr<IXMLElement> root = OpenJobDescription(project);
  ASSERT_TRUE(root);
  EXPECT_EQ(LoadJobState(root.get()), jsFinished);
  ComPtr<IJobRequest> restored = MakeRequest(SampleDef(project));
  ASSERT_TRUE(LoadJobRequest(root.get(), restored, false));
  EXPECT_EQ(DefOf(restored.get()), DefOf(request.get()));
  TLinks loaded;
  EXPECT_EQ(LoadLinkList(root.get(), loaded.Links.get(), project), 4);
  EXPECT_EQ(loaded.All(), expected);
  // A state is read by its exact name only.
  for (std::string text : {"JobState='JSFINISHED'", ""})
    EXPECT_EQ(LoadJobState(RootOfText(dir.File("job.xml"), "<Job " + text + "/>").get()),
              jsStopped);
}

TEST_F(JobFiles, DescriptionThatIsNoJobCountsAsAbsentAndIsNeverWritten) {
  EXPECT_FALSE(OpenJobDescription(project));
  std::filesystem::create_directories(project);
  for (std::string text : {"", "<Job><Request Title='x'/>", "<JobList/>", "<Job xmlns='urn:x'/>"}) {
    WriteFile(description, text);
    EXPECT_FALSE(OpenJobDescription(project)) << text;
    EXPECT_EQ(ReadFile(description), text);
  }
}

TEST_F(JobFiles, TheJournalIsDeletedOnlyAfterTheDescriptionIsSafelyWritten) {
  // A directory where the description goes: its replacement fails, also for root.
  std::filesystem::create_directories(description);
  links.Links->SetJournalFile(journal);
  links.Add({"http://example.com/docs/next.html"});
  std::string journalled = ReadFile(journal);
  EXPECT_THROW(SaveJobDescription(jsStopped, request.get(), links.Links.get(), project),
               platform::EOSError);
  EXPECT_EQ(ReadFile(journal), journalled);
  EXPECT_EQ(FilesIn(project), (std::vector<std::string>{"#Sumbra.&jd", "#Sumbra.&jq"}));

  std::filesystem::remove(description);
  SaveJobDescription(jsStopped, request.get(), links.Links.get(), project);
  EXPECT_EQ(FilesIn(project), std::vector<std::string>{"#Sumbra.&jd"});
}

TEST_F(JobFiles, FailedSaveLeavesTheOldFilesAsTheyWere) {
  ScopedXMLProvider provider("xml_provider_module"); // writes half a file on "fail the save"
  std::string list = dir.File("jobs.JL");
  SaveJobDescription(jsStopped, request.get(), links.Links.get(), project);
  std::vector<ComPtr<IJobRequest>> requests = {request, MakeRequest(SampleDef(dir.File("a")))};
  SaveJobListFile(list, requests);
  links.Links->SetJournalFile(journal);
  links.Add({"http://example.com/docs/next.html"});
  std::string oldDescription = ReadFile(description), oldList = ReadFile(list);
  TJobRequestDef failing = SampleDef(project);
  failing.Title = "fail the save";

  EXPECT_THROW(
      SaveJobDescription(jsStopped, MakeRequest(failing).get(), links.Links.get(), project),
      platform::EOleSysError);
  EXPECT_THROW(SaveJobListFile(list, {MakeRequest(failing)}), platform::EOleSysError);
  EXPECT_EQ(ReadFile(description), oldDescription);
  EXPECT_EQ(ReadFile(list), oldList);
  EXPECT_EQ(FilesIn(project), (std::vector<std::string>{"#Sumbra.&jd", "#Sumbra.&jq"}));
  EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"jobs.JL", "site"}));
  // The list still gives its requests, in their order.
  std::vector<ComPtr<IXMLElement>> jobs = OpenJobListFile(list);
  ASSERT_EQ(jobs.size(), 2u);
  for (size_t i = 0; i < jobs.size(); ++i) {
    ComPtr<IJobRequest> loaded = CreateJobRequest();
    ASSERT_TRUE(LoadJobRequest(jobs[i].get(), loaded, true));
    EXPECT_EQ(DefOf(loaded.get()), DefOf(requests[i].get()));
  }
}

TEST_F(JobFiles, BadJobListFilesRaiseTheirMessagesAndAreNeverWritten) {
  const struct {
    std::string text;
    std::string error; // empty: loads
    int validRequests = 0;
  } cases[] = {
      {"JobList", cannotOpen},
      {"<JobList><Job><Request FirstPageURL='http://h/'", cannotOpen},
      {"<Job/>", notJobList},
      {"<JobList xmlns='urn:x'><Job/></JobList>", notJobList},
      // Only Job children of the list count; entries without a page URL are skipped.
      {"<JobList><Other><Job/></Other><job/><Job><Request FirstPageURL='http://h/' "
       "ProjectDir='/p'/></Job><Job><Request ProjectDir='/x'/></Job><Job><Request "
       "FirstPageURL='' ProjectDir='/y'/></Job><Job/></JobList>",
       "", 1},
  };
  std::string list = dir.File("jobs.JL");
  for (const auto &c : cases) {
    WriteFile(list, c.text);
    try {
      int valid = 0;
      for (const ComPtr<IXMLElement> &job : OpenJobListFile(list)) {
        ComPtr<IJobRequest> loaded = CreateJobRequest();
        valid += LoadJobRequest(job.get(), loaded, true);
      }
      EXPECT_EQ(c.error, "") << c.text;
      EXPECT_EQ(valid, c.validRequests) << c.text;
    } catch (const EDataLoad &error) {
      EXPECT_EQ(error.what(), c.error) << c.text;
    }
    EXPECT_EQ(ReadFile(list), c.text);
  }
  try {
    OpenJobListFile(dir.File("missing.JL"));
    ADD_FAILURE() << "no exception";
  } catch (const EDataLoad &error) {
    EXPECT_EQ(error.what(), cannotOpen);
  }
}

} // namespace
} // namespace zs::testing
