#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/safecall.h"
#include "tests/kernel/kernel_test_support.h"

namespace zs::testing {
namespace {

using platform::OleCheck;

TJobRequestDef validDef(const std::string &title = "Docs") {
  TJobRequestDef def;
  def.Title = title;
  def.CopyType = ctBrowsable;
  def.DownLevel = -1;
  def.PageURL = "http://host/docs/index.html";
  def.SiteURL = "http://host/docs/";
  def.ProjectDir = "/tmp/project";
  return def;
}

TJobRequestDef defOf(IJobRequest *request) {
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  return def;
}

// Project folders are the job list's business; here every folder but "/used" is free.
bool checkProjectDir(const std::string &path, IJobRequest *, std::string &message) {
  if (path != "/used") return true;
  message = "This directory is already used by another job";
  return false;
}

class JobRequestTest : public ::testing::Test {
  ScopedFake<bool(const std::string &, IJobRequest *, std::string &)> check_{CheckProjectDir,
                                                                             &checkProjectDir};
};

// Records what a bound request tells its job; refuses changes while `refuse` is set.
class RecordingEvents : public platform::TComObject<IIJobRequestEvents> {
public:
  void AfterChange(const TJobRequestDef &OldDef) override { afterChanges.push_back(OldDef); }
  void ChangeFailed() override {}
  void BeforeChange(const TJobRequestDef &NewDef) override {
    if (refuse) throw platform::Exception("refused " + NewDef.Title);
  }
  bool refuse = false;
  std::vector<TJobRequestDef> afterChanges;
};

TEST_F(JobRequestTest, ChangeFillsSiteAndTitleFromThePageAndDropsItsFragment) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  TJobRequestDef def;
  def.PageURL = "http://host/a/b/page.html?x=1#intro";
  OleCheck(request->Change(def));
  TJobRequestDef result = defOf(request.get());
  EXPECT_EQ(result.PageURL, "http://host/a/b/page.html?x=1");
  EXPECT_EQ(result.SiteURL, "http://host/a/b/");
  EXPECT_EQ(result.Title, "http://host/a/b/");
}

TEST_F(JobRequestTest, ABoundRequestShowsChangesToItsJobWhichMayRefuseThemButACloneIsFree) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  OleCheck(request->Change(validDef()));
  auto events = platform::MakeCom<RecordingEvents>();
  request.As<IIJobRequest>()->SetEvents(events.get());

  OleCheck(request->Change(validDef("Renamed")));
  ASSERT_EQ(events->afterChanges.size(), 1u);
  EXPECT_EQ(events->afterChanges[0].Title, "Docs");
  events->refuse = true;
  EXPECT_TRUE(platform::Failed(request->Change(validDef("Refused"))));
  EXPECT_EQ(platform::TakeErrorInfo(), "refused Refused");
  EXPECT_EQ(defOf(request.get()).Title, "Renamed");
  EXPECT_THROW(request.As<IIJobRequest>()->SetEvents(events.get()), platform::EOleSysError);

  ComPtr<IJobRequest> clone;
  OleCheck(request->Clone(clone.put()));
  EXPECT_EQ(defOf(clone.get()), defOf(request.get()));
  OleCheck(clone->Change(validDef("Clone")));
  EXPECT_EQ(events->afterChanges.size(), 1u);
  EXPECT_NO_THROW(clone.As<IIJobRequest>()->SetEvents(platform::MakeCom<RecordingEvents>().get()));
}

TEST_F(JobRequestTest, ValidationReportsTheFirstFaultyFieldWithItsMessage) {
  const struct {
    const char *what;
    void (*breakIt)(TJobRequestDef &);
    int32_t field;
    const char *message;
  } cases[] = {
      {"valid", [](TJobRequestDef &) {}, 0, ""},
      {"any site: its bound does not matter",
       [](TJobRequestDef &d) {
         d.AllowLinksAway = true;
         d.SiteURL.clear();
       },
       0, ""},
      {"copy type", [](TJobRequestDef &d) { d.CopyType = TCopyType(7); }, 2,
       "This field is out of bounds"},
      {"empty page", [](TJobRequestDef &d) { d.PageURL.clear(); }, 5, "This field cannot be empty"},
      {"mailto page", [](TJobRequestDef &d) { d.PageURL = "mailto:a@b"; }, 5,
       "This is an incorrect URL"},
      {"bad site", [](TJobRequestDef &d) { d.SiteURL = "http://ho_st/"; }, 6,
       "This is an incorrect URL"},
      {"depth -2", [](TJobRequestDef &d) { d.DownLevel = -2; }, 3, "This field is out of bounds"},
      {"index with &", [](TJobRequestDef &d) { d.IndexName = "a&b.htm"; }, 4,
       "These characters are invalid in file name:\r\n< > \\ / : ? * \" | &"},
      {"used project", [](TJobRequestDef &d) { d.ProjectDir = "/used"; }, 8,
       "This directory is already used by another job"},
      {"empty title", [](TJobRequestDef &d) { d.Title.clear(); }, 1, "This field cannot be empty"},
      {"page and depth: the page wins",
       [](TJobRequestDef &d) {
         d.PageURL.clear();
         d.DownLevel = -5;
         d.Title.clear();
       },
       5, "This field cannot be empty"},
  };
  for (const auto &c : cases) {
    TJobRequestDef def = validDef();
    c.breakIt(def);
    std::string message = "stale";
    EXPECT_EQ(ValidateJobRequestDef(def, nullptr, message), c.field) << c.what;
    EXPECT_EQ(message, c.message) << c.what;
  }
}

TEST_F(JobRequestTest, ReadersInOtherThreadsSeeWholeDefinitions) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  TJobRequestDef a = validDef(), b = validDef("Other");
  b.ProjectDir = "/tmp/other";
  OleCheck(request->Change(a));
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!stop)
      if (TJobRequestDef seen = defOf(request.get()); !(seen == a) && !(seen == b)) ++torn;
  });
  for (int i = 0; i < 2000; ++i)
    OleCheck(request->Change(i % 2 ? a : b));
  stop = true;
  reader.join();
  EXPECT_EQ(torn, 0);
}

} // namespace
} // namespace zs::testing
