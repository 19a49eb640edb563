// Runs a job of the crawl site with a fake get-file controller until it is finished, so that
// a test can kill it at any moment. Usage: job_crash_runner <job list file> <project dir>
// <pages>. The job comes from the job list file when it exists, otherwise it is made and
// the list saved. After each link's completion has reached the job (and so its journal),
// the line "done <URL>" is written to standard output; "finished" at the end.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "tests/support/crawl_site.h"
#include "tests/support/fake_get_file_controller.h"
#include "tests/support/recording_get_site_events.h"

using namespace zs;
using platform::OleCheck;

namespace {

ComPtr<IGetSiteJob> openJob(const std::string &jobList, const std::string &projectDir) {
  ComPtr<IJobQueue> queue = GetJobQueue();
  if (std::filesystem::exists(jobList)) {
    OleCheck(queue->LoadAndMerge(jobList));
    ComPtr<IIntfSnapshot> jobs;
    OleCheck(queue->GetJobs(jobs.put()));
    ComPtr<IUnknown> first;
    OleCheck(jobs->get_Item(0, first.put()));
    return first.As<IGetSiteJob>();
  }
  ComPtr<IJobRequest> request = CreateJobRequest();
  TJobRequestDef def;
  def.PageURL = testing::CrawlPageURL(0);
  def.SiteURL = "http://site.test/";
  def.DownLevel = -1;
  def.ProjectDir = projectDir;
  OleCheck(request->Change(def));
  ComPtr<IGetSiteJob> job;
  OleCheck(queue->AddJob(request.get(), job.put()));
  OleCheck(queue->SaveTo(jobList));
  return job;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <job list file> <project dir> <pages>\n", argv[0]);
    return 2;
  }
  const int pages = std::atoi(argv[3]);
  StartModules();
  try {
    testing::TScopedRecordingEvents events;
    testing::TScopedGetFileController controller(3);
    ComPtr<IGetSiteJob> job = openJob(argv[1], argv[2]);
    OleCheck(job->Run());
    TJobState state = jsRunning;
    while (OleCheck(job->get_State(&state)), state == jsRunning) {
      testing::PumpMainThread();
      for (const ComPtr<testing::TFakeFetch> &fetch : controller->Running()) {
        if (fetch->Ended()) continue;
        fetch->Complete(true, testing::CrawlLinksFound(fetch->URL(), pages));
        testing::PumpMainThread();
        std::printf("done %s\n", fetch->URL().c_str());
        std::fflush(stdout);
        // The test answers each line before the next fetch ends, so that it kills this
        // process after exactly the links it counted.
        std::getchar();
      }
    }
    std::printf("finished\n");
  } catch (const std::exception &error) {
    std::fprintf(stderr, "job_crash_runner: %s\n", error.what());
    return 1;
  }
  ShutdownKernel();
  StopModules();
  return 0;
}
