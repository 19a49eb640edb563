// What the tests of jobs share: a job list of their own, the fake get-file controller,
// recording sinks, and short ways to make jobs and read their links and files.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/safecall.h"
#include "tests/kernel/kernel_test_support.h"
#include "tests/support/fake_get_file_controller.h"
#include "tests/support/recording_get_site_events.h"
#include "tests/support/test_environment.h"

namespace zs::testing {

using platform::OleCheck;

inline const std::string pageURL = "http://example.com/site/index.html";
inline std::string SiteURL(const std::string &name) { return "http://example.com/site/" + name; }

inline ComPtr<IJobRequest> NewRequest(const std::string &projectDir, int32_t downLevel = -1) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  OleCheck(request->Change(
      {"Site", ctBrowsable, downLevel, "", pageURL, SiteURL(""), false, projectDir}));
  return request;
}

inline TLinkDescription Link(const std::string &url, TLinkType type = ltAHref) {
  return {url, type, "", nullptr};
}
inline TJobState StateOf(IGetSiteJob *job) {
  TJobState state = jsStopped;
  OleCheck(job->get_State(&state));
  return state;
}

inline ComPtr<IKGetSiteJob> Internal(IGetSiteJob *job) {
  return ComPtr<IGetSiteJob>(job).As<IKGetSiteJob>();
}
// Every link of the job with its state, by URL.
inline std::map<std::string, TLinkState> LinkStates(IILinkList *links) {
  std::map<std::string, TLinkState> states;
  links->EnumerateLinks(
      [&](const TLinkDescription &desc, int32_t, TLinkState state) { states[desc.URL] = state; });
  return states;
}
inline std::map<std::string, TLinkState> LinkStates(IGetSiteJob *job) {
  return LinkStates(Internal(job)->GetInternalLinkList().get());
}

// The message of a failing result; "" when it succeeded.
inline std::string FailureOf(HRESULT result) {
  return platform::Failed(result) ? platform::TakeErrorInfo() : "";
}

// The state the job description file of the directory records.
inline TJobState SavedState(const std::string &projectDir) {
  ComPtr<IXMLElement> root = OpenJobDescription(projectDir);
  if (!root) throw std::runtime_error("no job description in " + projectDir);
  return LoadJobState(root.get());
}

// Every test starts with a new scheduler (its cursor at the first job), the module's job
// list, recording sinks and a fake pool of one slot; it ends with every job removed and
// every posted message run.
class JobTest : public ::testing::Test {
protected:
  void SetUp() override { FreeJobExecuteController(); }

  void TearDown() override {
    controller->SetCancelAtOnce(true);
    controller->CancelJob(nullptr);
    queue->RemoveAll();
    PumpMainThread();
    FreeJobExecuteController();
  }

  // A new job in a folder of the test's temporary folder.
  ComPtr<IGetSiteJob> NewJob(const std::string &name, int32_t downLevel = -1) {
    return CreateGetSiteJob(queue.get(), NewRequest(Dir(name), downLevel).get(), nullptr);
  }
  std::string Dir(const std::string &name) const { return temp.File(name); }

  // The jobs of the list, in its order.
  std::vector<ComPtr<IGetSiteJob>> Jobs() {
    ComPtr<IIntfSnapshot> snapshot;
    OleCheck(GetJobQueue()->GetJobs(snapshot.put()));
    int32_t count = 0;
    OleCheck(snapshot->get_Count(&count));
    std::vector<ComPtr<IGetSiteJob>> jobs(count);
    for (int32_t i = 0; i < count; ++i) {
      ComPtr<IUnknown> job;
      OleCheck(snapshot->get_Item(i, job.put()));
      jobs[i] = job.As<IGetSiteJob>();
    }
    return jobs;
  }

  // A job list element holding the job's request, as a job list file would.
  ComPtr<IXMLElement> ListEntryOf(IGetSiteJob *job) {
    ComPtr<IXMLElement> root;
    OleCheck(NewDataDocument()->CreateDocumentElement("JobList", root.put()));
    Internal(job)->SaveTo(root.get());
    ComPtr<IXMLElement> entry;
    OleCheck(root->FindChild("Job", entry.put()));
    return entry;
  }

  TempDir temp;
  TScopedGetFileController controller;
  TScopedRecordingEvents recording;
  ComPtr<IKJobQueue> queue = GetJobQueue().As<IKJobQueue>();
};

} // namespace zs::testing
