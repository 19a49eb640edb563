// Transfers over HTTP through the whole fetching chain: nginx on 127.0.0.1 serves one file of
// 1 GB (sparse) and 20,000 files of 8 KB; real jobs of the kernel with an exact copy and ten
// fetches at once fetch them through the get-file controller, the connector and the separated
// network process into files of a project folder. The last line holds the results.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "kernel/interfaces.h"
#include "kernel/quiet_get_site_events.h"
#include "platform/folders.h"
#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "retrieval/get_file_process.h"
#include "retrieval/win_inet_connector.h"

namespace {

using namespace zs;
using platform::OleCheck;

using bench::Check;
using bench::TTimer;
namespace fs = std::filesystem;

constexpr int fetchesAtOnce = 10;
constexpr uintmax_t bigBytes = uintmax_t(1) << 30;
constexpr int smallFiles = 20 * 1000;
constexpr size_t smallBytes = 8 * 1024;

// What worker threads report ends the run: a fetch that failed measures nothing.
class TFailingThreadContext : public platform::TComObject<IIThreadContextSupport> {
public:
  void Install() override {
    InstallThreadReporters(
        [](const std::string &Text) { std::fprintf(stderr, "warning: %s\n", Text.c_str()); },
        [](const std::string &Source, const std::string &Text) {
          std::fprintf(stderr, "benchmark: %s: %s\n", Source.c_str(), Text.c_str());
          std::_Exit(1);
        });
  }
};

// A job's sink that listens to nothing but the errors of its fetches.
class TBenchGetSiteEvents : public TQuietGetSiteEvents<> {
public:
  using TQuietGetSiteEvents::TQuietGetSiteEvents;
  ComPtr<IIThreadContextSupport> GetFileEvents() override {
    return platform::MakeCom<TFailingThreadContext>();
  }
};

ComPtr<IIGetSiteEvents> benchEvents(IKGetSiteJob *Job) {
  return platform::MakeCom<TBenchGetSiteEvents>(Job);
}

TJobState stateOf(IGetSiteJob *job) {
  TJobState state = jsStopped;
  OleCheck(job->get_State(&state));
  return state;
}

// Runs a job to its end; the wall seconds it took.
double runToEnd(IGetSiteJob *job) {
  TTimer timer;
  OleCheck(job->Run());
  platform::WaitWhilePumping([&] { return stateOf(job) == jsFinished; });
  return timer.WallSeconds();
}

int64_t linksCompleteOK(IGetSiteJob *job) {
  int64_t count = 0;
  ComPtr<IGetSiteJob>(job).As<IKGetSiteJob>()->GetInternalLinkList()->EnumerateLinks(
      [&](const TLinkDescription &, int32_t, TLinkState state) { count += state == lsCompleteOK; });
  return count;
}

void writeFile(const fs::path &name, const std::string &bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string readFile(const fs::path &name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The bytes of the n-th small file: its number first, so that no two are alike.
std::string smallFile(int n) {
  std::string bytes(smallBytes, char('a' + n % 26));
  std::string number = std::to_string(n) + "\n";
  bytes.replace(0, number.size(), number);
  return bytes;
}

std::string smallName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "f%05d.bin", n);
  return name;
}

// The network process's peak resident memory in MB, read before it ends; 0 when unknown.
double separatedProcessPeakMegabytes() {
  pid_t pid = retrieval::SeparatedProcessId();
  if (pid < 0) return 0;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
  return 0;
}

} // namespace

int main() {
  Check(fs::exists(bench::TNginx::Path), "nginx is not installed");
  testing::TScratchFolder scratch("transfer-bench");
  const fs::path &dir = scratch.Path();
  // Benchmarks live in bench/ of the build folder, the network process beside the programs.
  std::string process = platform::ProgramFolder() + "../ZelvorSumbraWinInetter";
  Check(fs::exists(process), "ZelvorSumbraWinInetter is not built");
  retrieval::SetProcessPath(process);

  fs::path web = dir / "web";
  fs::create_directories(web / "big");
  fs::create_directories(web / "small");
  writeFile(web / "big" / "index.html", "<html><a href=\"big.bin\">big</a></html>\n");
  {
    std::ofstream(web / "big" / "big.bin").close();
    fs::resize_file(web / "big" / "big.bin", bigBytes); // sparse: no disk
  }
  // Read once, so that nginx sends it from the page cache: the first read of a hole has the
  // system zero every page, which would be the server's cost rather than the fetcher's.
  {
    std::ifstream in(web / "big" / "big.bin", std::ios::binary);
    std::vector<char> chunk(1 << 20);
    while (in.read(chunk.data(), std::streamsize(chunk.size()))) {
    }
  }

  fs::create_directories(dir / "nginx");
  bench::TNginx nginx(web, dir / "nginx");
  OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Variant(int32_t(fetchesAtOnce))));
  ComPtr<IKJobQueue> queue = GetJobQueue().As<IKJobQueue>();
  auto newJob = [&](const std::string &folder) {
    ComPtr<IJobRequest> request = CreateJobRequest();
    OleCheck(
        request->Change({folder, ctExact, -1, "", nginx.URL("/" + folder + "/index.html"),
                         nginx.URL("/" + folder + "/"), false, (dir / "copy" / folder).string()}));
    return queue->CreateJob(request.get(), &benchEvents);
  };

  TTimer processor;
  ComPtr<IGetSiteJob> big = newJob("big");
  double bigSeconds = runToEnd(big.get());
  Check(linksCompleteOK(big.get()) == 2, "the big file was not fetched");
  fs::path bigCopy = dir / "copy" / "big" / "big.bin";
  Check(fs::exists(bigCopy) && fs::file_size(bigCopy) == bigBytes, "the big copy is wrong");
  double bigProcessorSeconds = processor.Seconds();
  fs::remove(bigCopy); // a gigabyte of disk back before the next part

  // The small files are written only now, so that a profile of the run shows the big
  // transfer apart from their making.
  std::string index = "<html>\n";
  for (int n = 0; n < smallFiles; ++n) {
    writeFile(web / "small" / smallName(n), smallFile(n));
    index += "<a href=\"" + smallName(n) + "\">" + std::to_string(n) + "</a>\n";
  }
  writeFile(web / "small" / "index.html", index + "</html>\n");
  TTimer smallProcessor;
  ComPtr<IGetSiteJob> small = newJob("small");
  double smallSeconds = runToEnd(small.get());
  Check(linksCompleteOK(small.get()) == smallFiles + 1, "small files were not fetched");
  for (int n = 0; n < smallFiles; n += 97)
    Check(readFile(dir / "copy" / "small" / smallName(n)) == smallFile(n), "a small copy is wrong");
  double processorSeconds = bigProcessorSeconds + smallProcessor.Seconds();
  double networkPeak = separatedProcessPeakMegabytes();

  big = small = nullptr;
  queue->RemoveAll();
  retrieval::WaitForGetFileWorkers();
  while (platform::ProcessPendingMessages() > 0) {
  }

  double bigMBs = double(bigBytes) / (1024 * 1024) / bigSeconds;
  double smallPerSecond = smallFiles / smallSeconds;
  std::printf("wall big_s=%.3f small_s=%.3f; processor of this program %.3f s; "
              "network process peak rss %.1f MB\n",
              bigSeconds, smallSeconds, processorSeconds, networkPeak);
  std::printf("transfer big_mb_s=%.1f small_files_per_s=%.0f max_rss_mb=%.1f\n", bigMBs,
              smallPerSecond, bench::PeakRSSMegabytes());
  return 0;
}
