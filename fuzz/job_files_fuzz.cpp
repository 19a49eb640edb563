// Loads any bytes as a job list file and as a job description, the links into a fresh link
// list. Loading must neither crash nor hang, may raise only the job list's load errors, must
// give links in valid states, and must never change the file it reads.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace zs;

// A private project folder and settings hives, removed at exit. The job list file lies in the
// project folder too, so that a description naming it as its journal replays it.
class TScratch {
public:
  TScratch() {
    Request = CreateJobRequest();
    platform::OleCheck(
        Request->Change({"", ctBrowsable, -1, "", "http://h/", "", false, Project()}));
  }
  std::string Project() const { return dir_.string(); }
  std::string Description() const { return (dir_ / "#Sumbra.&jd").string(); }
  std::string JobList() const { return (dir_ / "jobs.JL").string(); }

  ComPtr<IJobRequest> Request;

private:
  testing::TScratchFolder folder_{"job-files-fuzz"};
  const std::filesystem::path &dir_ = folder_.Path();
};

void require(bool condition) {
  if (!condition) std::abort();
}

std::string readFile(const std::string &fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void loadJobList(const TScratch &scratch) {
  try {
    for (const ComPtr<IXMLElement> &job : OpenJobListFile(scratch.JobList())) {
      ComPtr<IJobRequest> request = CreateJobRequest();
      LoadJobRequest(job.get(), request, true);
    }
  } catch (const EDataLoad &) {
    // The two messages of a file that is no job list: what such a file should give.
  }
}

void loadDescription(const TScratch &scratch) {
  ComPtr<IXMLElement> root = OpenJobDescription(scratch.Project());
  if (!root) return;
  ComPtr<IJobRequest> request = scratch.Request;
  LoadJobRequest(root.get(), request, false);
  TJobState state = LoadJobState(root.get());
  require(state >= jsStopped && state <= jsFinished);
  ComPtr<IILinkList> links = CreateLinkList(nullptr, -1).As<IILinkList>();
  LoadLinkList(root.get(), links.get(), scratch.Project());
  links->EnumerateLinks([](const TLinkDescription &desc, int32_t, TLinkState state) {
    require(desc.LinkType >= ltUserEntered && desc.LinkType <= ltOther);
    require(state >= lsPure && state <= lsRejected && state != lsInUse);
  });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static TScratch scratch;
  std::string bytes(reinterpret_cast<const char *>(data), size);
  for (const std::string &fileName : {scratch.JobList(), scratch.Description()}) {
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file << bytes;
  }
  loadJobList(scratch);
  loadDescription(scratch);
  require(readFile(scratch.JobList()) == bytes && readFile(scratch.Description()) == bytes);
  return 0;
}
