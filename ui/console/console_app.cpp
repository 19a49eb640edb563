#include "ui/console/console_app.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/interrupts.h"
#include "platform/main_loop.h"
#include "platform/safecall.h"
#include "ui/common/job_texts.h"
#include "ui/common/new_job.h"
#include "ui/common/program_cycle.h"
#include "ui/common/project_lock.h"
#include "ui/common/user_job_list.h"
#include "ui/console/console_module.h"
#include "ui/console/console_monitor.h"
#include "ui/console/console_options.h"
#include "ui/console/program_on_bus.h"

namespace zs::ui {

namespace {

using platform::OleCheck;

enum TExitCode { ecDone = 0, ecLinksFailed = 1, ecFailed = 2, ecInterrupted = 3 };

// A message for the user that ends the command with ecFailed.
ZS_EXCEPTION_CLASS(ECommandFailed, platform::Exception);

// The settings a user may look at and change; per-scheme names are shown for the usual
// schemes.
constexpr const char *settingNames[] = {
    "MaxGetProcessAllowed",
    "MaxFetchesPerHost",
    "UserAgent",
    "IgnoreSSLInexactnesses",
    "IdleTimeOut",
    "MaxFileSizeMB",
    "IgnorePrefix",
    "DefaultIndexName",
    "FollowModernMarkup",
    "ObeyRobotsTxt",
    "FirstSiteName",
    "JobDescriptionFileName",
    "QuickSaveFileName",
    "UserJobList",
    "ModulesPath",
    "PrefixToIgnore:http",
    "PrefixToIgnore:https",
    "PrefixToIgnore:ftp",
    "DefaultPort:http",
    "DefaultPort:https",
    "DefaultPort:ftp",
    "PluginInetCacheModuleNames",
    "PluginXMLProviderModuleName",
};

std::string textOf(IJobRequest *request, HRESULT (IJobRequest::*getter)(std::string *)) {
  std::string text;
  OleCheck((request->*getter)(&text));
  return text;
}

ComPtr<IJobRequest> requestOf(IGetSiteJob *job) {
  ComPtr<IJobRequest> request;
  OleCheck(job->get_JobRequest(request.put()));
  return request;
}

TJobState stateOf(IGetSiteJob *job) {
  TJobState state = jsStopped;
  OleCheck(job->get_State(&state));
  return state;
}

TLinkCounts countLinks(IGetSiteJob *job) {
  TLinkCounts counts;
  ComPtr<IIGetSiteJob> internal = ComPtr<IGetSiteJob>(job).As<IIGetSiteJob>();
  ComPtr<IILinkList> links = internal ? internal->GetInternalLinkList() : nullptr;
  if (!links) return counts;
  links->EnumerateLinks([&](const TLinkDescription &, int32_t, TLinkState state) {
    switch (state) {
    case lsPure:
    case lsInUse: ++counts.Waiting; break;
    case lsCompleteOK: ++counts.Done; break;
    case lsCompleteBad: ++counts.Failed; break;
    case lsRejected: break;
    }
  });
  return counts;
}

// The console's session: the kernel started for one command and shut down after it.
class TConsole {
public:
  explicit TConsole(const TConsoleOptions &options)
      : options_(options), jobList_(options.NewJobList, [](const std::string &text) {
          TConsoleMonitor::Instance().LogLine(text);
        }) {}

  int Run() {
    const std::string &command = options_.Command;
    if (command == "get") return get();
    if (command == "list") return list();
    if (command == "run") return runNamed(TStart::Run);
    if (command == "retry") return runNamed(TStart::Retry);
    if (command == "refresh") return runNamed(TStart::Refresh);
    if (command == "pause") return pause();
    if (command == "remove") return remove();
    if (command == "export") return exportList();
    if (command == "import") return importList();
    if (command == "import-job") return importJob();
    if (command == "update-file") return updateFile();
    return settings();
  }

private:
  const std::string &argument(size_t index) const { return options_.Arguments.at(index); }

  // update-file: the program that runs (or that the bus starts) does the work.
  int updateFile() {
    HandUpdateFileToProgram(argument(0));
    return ecDone;
  }

  // get ---------------------------------------------------------------------------------

  int get() {
    const std::string dir = AbsolutePath(argument(1));
    lockAndLoad();
    ComPtr<IGetSiteJob> job = jobList_.FindByDirectory(dir);
    if (job) {
      TConsoleMonitor::Instance().LogLine("Going on with the job in " + dir);
    } else if (std::filesystem::exists(descriptionFile(dir))) {
      job = loadJobFromDescription(dir);
      TConsoleMonitor::Instance().LogLine("Going on with the job described in " + dir);
    } else {
      job = newJob(dir);
    }
    jobList_.Save();
    return runToEnd(job.get(), TStart::Run);
  }

  TJobRequestDef requestedDef(const std::string &dir) {
    TJobRequestDef def;
    OleCheck(GetProfiler()->GetDefaultJobRequest(&def));
    def.PageURL = PageURLOf(argument(0));
    def.ProjectDir = dir;
    def.CopyType = options_.Exact ? ctExact : ctBrowsable;
    def.DownLevel = options_.Depth.value_or(-1);
    def.SiteURL = options_.Site ? PageURLOf(*options_.Site) : std::string();
    def.AllowLinksAway = options_.AnySite;
    if (options_.Index) def.IndexName = *options_.Index;
    def.Title = options_.Title.value_or(std::string());
    return def;
  }

  ComPtr<IGetSiteJob> newJob(const std::string &dir) { return AddNewJob(requestedDef(dir)); }

  std::string descriptionFile(const std::string &dir) {
    std::string name;
    OleCheck(GetProfiler()->get_JobDescriptionFileName(&name));
    return (std::filesystem::path(dir) / name).string();
  }

  // A job made from the description in Dir, where it is now: a folder moved with its copy
  // goes on in its new place.
  ComPtr<IGetSiteJob> loadJobFromDescription(const std::string &dir) {
    ComPtr<IXMLElement> description = OpenJobDescription(dir);
    if (!description) throw ECommandFailed(descriptionFile(dir) + " is no job description");
    ComPtr<IJobRequest> request = CreateJobRequest();
    TJobRequestDef def;
    def.ProjectDir = dir;
    OleCheck(request->Change(def));
    if (!LoadJobRequest(description.get(), request, false))
      throw ECommandFailed(descriptionFile(dir) + " holds no usable job request");
    ComPtr<IXMLDocument> document = NewDataDocument();
    ComPtr<IXMLElement> element;
    OleCheck(document->CreateDocumentElement("Job", element.put()));
    SaveJobRequest(element.get(), request.get());
    ComPtr<IKJobQueue> queue = GetJobQueue().As<IKJobQueue>();
    ComPtr<IGetSiteJob> job = LoadGetSiteJob(queue.get(), element.get());
    if (!job) throw ECommandFailed(descriptionFile(dir) + " holds no usable job request");
    return job;
  }

  // Running -------------------------------------------------------------------------------

  // How a job is started: as it stands (a finished one retries its failed links), with its
  // failed links back to waiting, or with every link asked for again.
  enum class TStart { Run, Retry, Refresh };

  int runToEnd(IGetSiteJob *job, TStart start) {
    const std::string dir = ProjectDirOf(job);
    std::filesystem::create_directories(dir);
    TProjectLock running(dir);
    TConsoleMonitor &monitor = TConsoleMonitor::Instance();
    if (start == TStart::Refresh) {
      bool waiting = false;
      auto refreshable = ComPtr<IGetSiteJob>(job).As<IRefreshableJob>();
      if (!refreshable) throw ECommandFailed("This job cannot be refreshed");
      OleCheck(refreshable->Refresh(&waiting));
      if (!waiting) return finalCode(job);
    } else if (stateOf(job) == jsFinished || start == TStart::Retry) {
      bool waiting = false;
      OleCheck(job->Retry(&waiting));
      if (!waiting && stateOf(job) == jsFinished) return finalCode(job);
    }
    if (options_.Connections) setConnections(*options_.Connections);
    OleCheck(job->Run());
    bool interrupted = false;
    while (stateOf(job) == jsRunning) {
      RunIdleStep();
      if (platform::InterruptRequested()) {
        interrupted = true;
        break;
      }
      monitor.ShowStatus([&] { return countLinks(job); }, false);
      platform::WaitForMessages(std::chrono::milliseconds(100));
      platform::ProcessPendingMessages();
    }
    // What the job's end posted (its last log lines) is shown before the final status.
    platform::ProcessPendingMessages();
    monitor.ShowStatus([&] { return countLinks(job); }, true);
    monitor.EndStatus();
    if (interrupted) {
      OleCheck(job->Pause());
      // The fetches hand their links back; what they completed is in the job's journal.
      platform::WaitWhilePumping([] { return TConsoleMonitor::Instance().Running() == 0; });
      monitor.LogLine("Interrupted: run the same command again to go on.");
      jobList_.Save();
      return ecInterrupted;
    }
    jobList_.Save();
    const int code = finalCode(job);
    if (start == TStart::Refresh && options_.Verbosity != TVerbosity::Quiet)
      std::printf("%s\n", RefreshSummary(refreshCounts(job)).c_str());
    return code;
  }

  static IILinkList::TRefreshCounts refreshCounts(IGetSiteJob *job) {
    auto internal = ComPtr<IGetSiteJob>(job).As<IIGetSiteJob>();
    ComPtr<IILinkList> links = internal ? internal->GetInternalLinkList() : nullptr;
    return links ? links->RefreshCounts() : IILinkList::TRefreshCounts{};
  }

  int finalCode(IGetSiteJob *job) {
    const TLinkCounts counts = countLinks(job);
    if (options_.Verbosity != TVerbosity::Quiet)
      std::printf("%s: %lld copied, %lld failed. Open %s\n", ProjectDirOf(job).c_str(),
                  (long long)counts.Done, (long long)counts.Failed, entryPage(job).c_str());
    return counts.Failed > 0 ? ecLinksFailed : ecDone;
  }

  // Where to open the copy: the local file of the start page.
  std::string entryPage(IGetSiteJob *job) {
    ComPtr<IJobRequest> request = requestOf(job);
    TURL pageURL;
    OleCheck(request->get_PageURL(&pageURL));
    ComPtr<IURLParser> parser = CreateURLParser(pageURL, request.get());
    bool accepted = false;
    TLocalFileName fileName;
    if (platform::Succeeded(parser->SetURL(pageURL, &accepted)) && accepted &&
        platform::Succeeded(parser->GetLocalFileName(&fileName)))
      return fileName;
    return ProjectDirOf(job);
  }

  // The number of fetches at once is a setting of the user's: it stays for later runs.
  void setConnections(int connections) {
    OleCheck(GetProfiler()->put_Param("MaxGetProcessAllowed", Variant(int32_t(connections))));
  }

  ComPtr<IGetSiteJob> namedJob() {
    ComPtr<IGetSiteJob> job = jobList_.Find(argument(0));
    if (!job) throw ECommandFailed("No job " + argument(0) + " in the job list");
    return job;
  }

  int runNamed(TStart start) {
    lockAndLoad();
    ComPtr<IGetSiteJob> job = namedJob();
    jobList_.Unlock();
    return runToEnd(job.get(), start);
  }

  // Other commands ------------------------------------------------------------------------

  int list() {
    lockAndLoad();
    jobList_.Unlock();
    const std::vector<ComPtr<IGetSiteJob>> jobs = jobList_.Jobs();
    if (jobs.empty()) std::printf("The job list is empty.\n");
    for (size_t i = 0; i < jobs.size(); ++i) {
      ComPtr<IJobRequest> request = requestOf(jobs[i].get());
      const std::string dir = ProjectDirOf(jobs[i].get());
      const int holder = TProjectLock::Holder(dir);
      const std::string state =
          holder ? "running in process " + std::to_string(holder) : stateText(jobs[i].get());
      std::printf("%zu. %s\n   %s -> %s (%s)\n", i + 1,
                  textOf(request.get(), &IJobRequest::get_Title).c_str(),
                  textOf(request.get(), &IJobRequest::get_PageURL).c_str(), dir.c_str(),
                  state.c_str());
    }
    return ecDone;
  }

  static std::string stateText(IGetSiteJob *job) {
    switch (stateOf(job)) {
    case jsRunning: return "running";
    case jsFinished: return "finished";
    default: return "stopped";
    }
  }

  // A job runs in the process that holds its folder: pausing it asks that process to stop.
  int pause() {
    lockAndLoad();
    ComPtr<IGetSiteJob> job = namedJob();
    jobList_.Unlock();
    const int holder = TProjectLock::Holder(ProjectDirOf(job.get()));
    if (!platform::AskProcessToStop(holder)) {
      TConsoleMonitor::Instance().LogLine("The job is not running.");
      return ecDone;
    }
    TConsoleMonitor::Instance().LogLine("Asked process " + std::to_string(holder) +
                                        " to pause the job.");
    return ecDone;
  }

  int remove() {
    lockAndLoad();
    ComPtr<IGetSiteJob> job = namedJob();
    if (TProjectLock::Holder(ProjectDirOf(job.get())))
      throw ECommandFailed("The job is running: pause it first");
    OleCheck(job->Remove());
    jobList_.Save();
    return ecDone;
  }

  int exportList() {
    lockAndLoad();
    jobList_.Unlock();
    OleCheck(GetJobQueue()->SaveTo(AbsolutePath(argument(0))));
    return ecDone;
  }

  int importList() {
    lockAndLoad();
    if (options_.Replace) OleCheck(GetJobQueue()->Clear());
    OleCheck(GetJobQueue()->LoadAndMerge(AbsolutePath(argument(0))));
    jobList_.Save();
    return ecDone;
  }

  int importJob() {
    std::string dir = AbsolutePath(argument(0));
    if (!std::filesystem::is_directory(dir))
      dir = std::filesystem::path(dir).parent_path().string();
    lockAndLoad();
    if (jobList_.FindByDirectory(dir)) throw ECommandFailed("The job list holds that job already");
    loadJobFromDescription(dir);
    jobList_.Save();
    return ecDone;
  }

  int settings() {
    ComPtr<IProfilerNames> profiler = GetProfiler();
    if (options_.Arguments.empty()) {
      for (const char *name : settingNames)
        std::printf("%s = %s\n", name, settingText(profiler.get(), name).c_str());
      return ecDone;
    }
    const std::string &name = argument(0);
    if (options_.Arguments.size() == 2) {
      Variant current;
      OleCheck(profiler->get_Param(name, &current));
      OleCheck(profiler->put_Param(name, valueLike(current, argument(1))));
    }
    std::printf("%s = %s\n", name.c_str(), settingText(profiler.get(), name).c_str());
    return ecDone;
  }

  static std::string settingText(IProfiler *profiler, const std::string &name) {
    Variant value;
    OleCheck(profiler->get_Param(name, &value));
    switch (value.GetKind()) {
    case Variant::Kind::Boolean: return value.AsBoolean() ? "true" : "false";
    case Variant::Kind::Null: return "";
    default: return value.AsString();
    }
  }

  // The new value of a setting, of the kind the setting has.
  static Variant valueLike(const Variant &current, const std::string &text) {
    switch (current.GetKind()) {
    case Variant::Kind::Integer: try { return Variant(int32_t(std::stoi(text)));
      } catch (const std::exception &) {
        throw ECommandFailed("The setting needs a whole number, not \"" + text + "\"");
      }
    case Variant::Kind::Boolean:
      if (text == "true" || text == "1" || text == "yes") return Variant(true);
      if (text == "false" || text == "0" || text == "no") return Variant(false);
      throw ECommandFailed("The setting needs true or false, not \"" + text + "\"");
    default: return Variant(text);
    }
  }

  // The job list file, locked and loaded. A file that cannot be read is left as it is,
  // unless the user asked for a new list.
  void lockAndLoad() {
    try {
      jobList_.LockAndLoad();
    } catch (const EJobListUnreadable &error) {
      throw ECommandFailed(std::string(error.what()) +
                           "\nThe file is left as it is; --new-job-list starts with an empty "
                           "list and keeps the file aside.");
    }
  }

  const TConsoleOptions &options_;
  TUserJobList jobList_;
};

} // namespace

int RunConsole(const std::vector<std::string> &arguments) {
  TConsoleOptions options;
  try {
    options = ParseConsoleOptions(arguments);
  } catch (const EUsage &error) {
    std::fprintf(stderr, "zsumbra: %s\nTry zsumbra --help.\n", error.what());
    return ecFailed;
  }
  if (options.Manual || options.Completion) {
    std::printf("%s", (options.Manual ? ConsoleManual() : ConsoleCompletion()).c_str());
    return ecDone;
  }
  if (options.Help) {
    std::printf("%s\n", ConsoleHelp(options.Command).c_str());
    return ecDone;
  }
  TConsoleMonitor::Instance().SetVerbosity(options.Verbosity);
  platform::CatchInterrupts(ecInterrupted);
  StartModules();
  RegisterConsoleModule();
  int code = ecFailed;
  try {
    code = TConsole(options).Run();
  } catch (const std::exception &error) {
    TConsoleMonitor::Instance().EndStatus();
    std::fprintf(stderr, "zsumbra: %s\n", error.what());
  }
  EndProgram();
  StopModules();
  return code;
}

} // namespace zs::ui
