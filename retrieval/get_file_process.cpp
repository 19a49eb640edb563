#include "retrieval/get_file_process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "platform/folders.h"
#include "platform/safecall.h"
#include "platform/worker_pool.h"
#include "retrieval/content_kinds.h"
#include "retrieval/fetch_validators.h"
#include "retrieval/host_manners.h"
#include "retrieval/local_file_writer.h"
#include "retrieval/text_codec.h"
#include "retrieval/tool_errors.h"

namespace zs::retrieval {

namespace {

using platform::OleCheck;
using std::chrono::milliseconds;

// Guards the Tool field of every process between Cancel in the main thread and the worker
// that sets and clears it.
std::mutex getFileLock;

// The worker threads that have not ended yet, so the end of the program can wait for them.
struct TWorkers {
  std::mutex Lock; // guards Count
  std::condition_variable Ended;
  int Count = 0;
};
TWorkers &workers() {
  static TWorkers instance;
  return instance;
}

// A tool that has nothing yet is asked again after a short wait that grows up to this bound,
// so a fast source is not slowed down and a slow one does not keep a core busy.
constexpr milliseconds longestPoll{50};

// No single chunk is allowed to claim more memory than this, whatever a tool answers.
constexpr int32_t largestChunk = 1 << 20;
// A server that answers "too many requests" or "unavailable, retry later" is asked again
// up to this many times, and no answer makes a fetch wait longer than this many seconds.
constexpr int MaxRetriesAfterWait = 3;
constexpr int32_t LongestWaitToRetry = 120;
// Of a robots.txt, no more than this is read; what follows is not obeyed.
constexpr size_t LargestRobotsTxt = 512 * 1024;

// The progress of one transfer, in the numbers the display expects.
class TProgress {
public:
  explicit TProgress(int64_t Total) : total_(Total) {}

  void Report(IIGetFileEvents &Events, int64_t Length) {
    if (total_ >= 0) {
      position_ += Length;
      Events.Progress(true, position_, total_);
      return;
    }
    // Unknown size: the total counts the bytes read as -(total + 1), and the position is a
    // remainder that shrinks by a third with every chunk, so the percentage approaches 100
    // (33, 55, 70, 80, ...) without reaching it early.
    bool first = total_ == -1;
    total_ -= Length;
    position_ = first ? 20000 : position_ * 2 / 3;
    Events.Progress(false, (30000 - position_) * 100 / 30000, -(total_ + 1));
  }

private:
  int64_t total_;
  int64_t position_ = 0;
};

class TGetFileProcess final : public platform::TComObject<IKGetFileProcess, IILinkMessageSupport> {
public:
  TGetFileProcess(IKGetFileController *Controller, IIJobAsyncProvider *Owner,
                  const TLinkDescription &LinkDesc, int32_t Level)
      : Owner(Owner), Controller(Controller), LinkDesc(LinkDesc), Level(Level) {}

  // Registers with the controller, then starts the worker: the controller counts the process
  // before it can end.
  void Start() {
    Events = CreateGetFileEvents(this);
    Controller->RegisterProcess(static_cast<IKGetFileProcess *>(this));
    try {
      {
        std::lock_guard guard(workers().Lock);
        ++workers().Count;
      }
      platform::RunInWorkerThread(
          [process = ComPtr<TGetFileProcess>(this)]() mutable { runHelper(std::move(process)); });
    } catch (...) {
      workerEnded();
      // The registration is undone the way a finished process undoes it.
      PostLinkMessage(this, nullptr);
      throw;
    }
  }

  ComPtr<IIGetFileEvents> GetEvents() override {
    std::lock_guard guard(eventsLock);
    return Events;
  }

  void Cancel() override {
    CancelRequested = true;
    {
      std::lock_guard guard(waitLock);
      cancelled.notify_all();
    }
    std::lock_guard guard(getFileLock);
    if (Tool) CheckTool(Tool->Abort(), Tool.get(), "");
  }

  std::string GetURL() override { return LinkDesc.URL; }
  ComPtr<IIJobAsyncProvider> GetOwner() override { return Owner; }

  // The process-finished message, in the main thread.
  void DispatchMessage(void *) override {
    Controller->ProcessFinished(static_cast<IKGetFileProcess *>(this));
  }

private:
  // TGetFileHelper: the worker thread. The reference it holds keeps the process alive until
  // it ends; the last reference goes in the main thread, where jobs live.
  static void runHelper(ComPtr<TGetFileProcess> Process) {
    Process->Execute();
    PostLinkMessage(Process.get(), nullptr);
    ReleaseInMainThread(static_cast<IKGetFileProcess *>(Process.get()));
    Process.reset();
    workerEnded();
  }

  static void workerEnded() {
    std::lock_guard guard(workers().Lock);
    if (--workers().Count == 0) workers().Ended.notify_all();
  }

  void Execute() {
    Success = false;
    try {
      ThreadContext = Owner->GetFileEvents();
      if (ThreadContext) ThreadContext->Install();
      Events->Begin();
      Fetch();
      Success = true;
    } catch (const ETerminateThread &) {
      // Cancelled: the link goes back to the job below, and that is all there is to say.
    } catch (...) {
      // A fetch asked to stop fails as its tool is aborted under it; its link goes back to
      // the job, so the failure is no error of the job's.
      if (!CancelRequested) ReportCurrentException();
    }
    try {
      Outcome.Success = Success;
      if (Success || !CancelRequested)
        Owner->PostCompleteLink(LinkDesc.URL, Outcome);
      else
        Owner->PostCancelLink(LinkDesc.URL);
      Events->Finished(Success);
    } catch (...) {
      // Posting does not fail while the program runs; if it does at its end, there is nobody
      // left to tell, and the worker must still end.
    }
    {
      std::lock_guard guard(eventsLock);
      Events = nullptr;
    }
    // The reporters of this thread hold the job's reporter; they go now, with the fetch.
    UninstallThreadReporters();
  }

  void CheckCancel() {
    if (!CancelRequested) return;
    // Only this thread sets Tool, so it may read it without the lock.
    if (Tool) Tool->Abort();
    throw ETerminateThread("TGetFileHelper");
  }

  void Fetch() {
    CheckCancel();
    ComPtr<IURLParser> parser = CreateURLParser(LinkDesc.URL, Owner->GetJobRequest().get());
    bool accepted = false;
    OleCheck(parser->SetURL(LinkDesc.URL, &accepted));
    // A URL the job does not fetch counts as done.
    if (!accepted) return;

    TParsedURL parsed;
    OleCheck(parser->GetParsedURL(&parsed));
    if (!takeTurnAtHost(parsed)) throw EInternet("Disallowed by robots.txt (" + LinkDesc.URL + ")");
    // A server that asks to be asked later gets a few more tries, each after its wait.
    for (int tries = 1;; ++tries) {
      ComPtr<IGetFileTool> tool = GetFileTool(parsed, "");
      if (!tool) throw EInternet("Protocol \"" + parsed.Sheme + "\" unimplemented");
      try {
        fetchWith(tool, *parser);
        return;
      } catch (const ETerminateThread &) {
        throw;
      } catch (...) {
        const int32_t wait = RetryAfterOf(*tool);
        if (wait < 0 || tries > MaxRetriesAfterWait) throw;
        waitToRetry(wait);
      }
    }
  }

  // Whether the host's robots.txt lets the link be fetched, once it is the link's turn there.
  bool takeTurnAtHost(const TParsedURL &parsed) {
    if (parsed.Sheme != "http" && parsed.Sheme != "https") return true;
    ComPtr<IUnknown> manners = Owner->GetHostManners();
    return !manners || TakeTurnAtHost(
                           *manners, parsed,
                           [this](const TParsedURL &robots, const TURL &url) {
                             return readRobotsTxt(robots, url);
                           },
                           [this](milliseconds pause) { pauseFor(pause); });
  }

  // A robots.txt that is not there allows everything; one that cannot be read or is no text
  // is told in the job's log, and allows everything too.
  std::string readRobotsTxt(const TParsedURL &robots, const TURL &url) {
    ComPtr<IGetFileTool> tool = GetFileTool(robots, url);
    if (!tool) return {};
    std::string text;
    setTool(tool);
    try {
      bool found = false;
      CheckTool(tool->Open(&found), tool.get(), url);
      std::string chunk;
      while (found && text.size() <= LargestRobotsTxt && readChunk(*tool, chunk, url))
        text += chunk;
      if (text.size() > LargestRobotsTxt) tool->Abort();
    } catch (...) {
      setTool(nullptr);
      if (CancelRequested) throw;
      std::string source, message;
      ExceptionToText(std::current_exception(), source, message);
      ReportWarning("robots.txt could not be read: " + message +
                    "; copying as if it allowed everything");
      return {};
    }
    setTool(nullptr);
    if (text.find('\0') != std::string::npos) {
      ReportWarning(url + " is not text; copying as if it allowed everything");
      return {};
    }
    if (text.size() > LargestRobotsTxt) {
      // The last line read whole is the last obeyed.
      text.resize(text.rfind('\n', LargestRobotsTxt) + 1);
      ReportWarning(url + " is larger than " + std::to_string(LargestRobotsTxt >> 10) +
                    " KB; only its first " + std::to_string(LargestRobotsTxt >> 10) +
                    " KB are obeyed");
    }
    return text;
  }

  void fetchWith(const ComPtr<IGetFileTool> &tool, IURLParser &parser) {
    setTool(tool);
    try {
      CheckCancel();
      AskIfChanged(*tool, LinkDesc);
      bool found = false;
      CheckTool(tool->Open(&found), tool.get(), LinkDesc.URL);
      // A resource that is not there is a failed link, and the job's log says which; a copy
      // made before stays as it was.
      if (!found) {
        Outcome.Gone = LinkDesc.Validators != nullptr;
        throw ToolError(tecNotFound, "", LinkDesc.URL);
      }
      const TFetchAnswer answer = ReadFetchAnswer(*tool, LinkDesc);
      if (!answer.NotModified) {
        followRedirect(*tool, parser);
        CheckCancel();
        Transfer(*tool, parser);
      }
      // Only a whole copy is current: a torn one must be asked for in full next time.
      Outcome.Unchanged = answer.NotModified;
      Outcome.Validators = answer.Validators;
    } catch (...) {
      setTool(nullptr);
      throw;
    }
    setTool(nullptr);
  }

  // A resource that redirects brought from elsewhere: its relative links mean the place it
  // came from, and the job's log says where that was. It keeps the name of the link that
  // was followed, so that links to it keep working; but a folder asked for without its slash
  // is kept as that folder's index, because a file of the folder's name would stand where
  // the folder's other files go.
  void followRedirect(IGetFileTool &tool, IURLParser &parser) {
    ComPtr<IGetFileToolLocation> located = ComPtr<IUnknown>(&tool).As<IGetFileToolLocation>();
    if (!located) return;
    TURL location;
    CheckTool(located->GetLocation(&location), &tool, LinkDesc.URL);
    TURL followed;
    OleCheck(parser.GetURL(&followed));
    if (location.empty() || location == followed) return;
    ReportWarning(std::string(RedirectedText) + location + " (" + LinkDesc.URL + ")");
    if (isFolderOf(location, followed)) {
      bool accepted = false;
      OleCheck(parser.SetURL(location, &accepted));
      if (accepted) {
        OleCheck(parser.BaseFromCurrent());
        return;
      }
      OleCheck(parser.SetURL(followed, &accepted));
    }
    TLocalFileName localDir;
    OleCheck(parser.GetLocalDir(&localDir));
    OleCheck(parser.SetBase(location, localDir));
  }

  // Whether Location is the folder that URL names without its closing slash.
  static bool isFolderOf(const TURL &Location, const TURL &URL) {
    TParsedURL folder, file;
    if (!ParseURL(Location, folder, true) || !ParseURL(URL, file, true)) return false;
    if (file.FileName.empty() || !folder.FileName.empty()) return false;
    bool sameHost = folder.Sheme == file.Sheme && folder.Domain == file.Domain &&
                    folder.Port == file.Port && folder.UserAndPass == file.UserAndPass;
    return sameHost && folder.Query == file.Query && folder.Path == file.Path + file.FileName + "/";
  }

  void setTool(ComPtr<IGetFileTool> Value) {
    std::lock_guard guard(getFileLock);
    Tool = std::move(Value);
  }

  void Transfer(IGetFileTool &tool, IURLParser &parser) {
    std::string kind = IsKnownKind(LinkDesc.Tag) ? LinkDesc.Tag : LinkTypeToKind(LinkDesc.LinkType);
    if (kind.empty()) {
      std::string contentType;
      CheckTool(tool.GetContentType(&contentType), &tool, LinkDesc.URL);
      kind = ContentTypeToKind(contentType);
    }

    int32_t total = -1;
    CheckTool(tool.GetSize(&total), &tool, LinkDesc.URL);
    TProgress progress(total);
    TLocalFileName fileName;
    OleCheck(parser.GetLocalFileName(&fileName));
    TLocalFileWriter file(platform::WithSingleSeparators(fileName));

    if (kind.empty())
      binaryCopy(tool, file, progress);
    else
      textCopy(tool, parser, kind, file, progress);
    // A full disk may show only now, and the link must not count as copied then.
    file.Finish();
  }

  void binaryCopy(IGetFileTool &tool, TLocalFileWriter &file, TProgress &progress) {
    CheckCancel();
    std::string chunk;
    while (readChunk(tool, chunk, LinkDesc.URL)) {
      file.Write(chunk);
      progress.Report(*Events, static_cast<int64_t>(chunk.size()));
      CheckCancel();
    }
  }

  void textCopy(IGetFileTool &tool, IURLParser &parser, const std::string &kind,
                TLocalFileWriter &file, TProgress &progress) {
    ComPtr<IParseProvider> provider =
        CreateParseProvider(kind, &parser, Owner->GetJobRequest().get(), Level, Owner.get());
    CheckCancel();
    TTextCodec codec;
    std::string chunk, output;
    while (readChunk(tool, chunk, LinkDesc.URL)) {
      OleCheck(provider->ProcessBlock(codec.Decode(chunk), &output));
      file.Write(codec.Encode(output));
      progress.Report(*Events, static_cast<int64_t>(chunk.size()));
      CheckCancel();
    }
    OleCheck(provider->Finish(&output));
    file.Write(codec.Encode(output) + codec.Flush());
  }

  // False at the end of the data.
  bool readChunk(IGetFileTool &tool, std::string &chunk, const TURL &url) {
    int32_t available = 0;
    milliseconds pause{1};
    for (;;) {
      CheckTool(tool.GetAvailable(&available), &tool, url);
      if (available != 0) break;
      pauseFor(pause);
      pause = std::min(pause * 2, longestPoll);
    }
    if (available < 0) return false;
    chunk.resize(static_cast<size_t>(std::min(available, largestChunk)));
    int32_t read = 0;
    CheckTool(tool.Read(chunk.data(), static_cast<int32_t>(chunk.size()), &read), &tool, url);
    chunk.resize(static_cast<size_t>(std::clamp<int32_t>(read, 0, int32_t(chunk.size()))));
    return true;
  }

  // The wait a server asked for, within reason, told in the job's log; a cancellation ends
  // it at once.
  void waitToRetry(int32_t seconds) {
    const int32_t waited = std::clamp(seconds, 1, LongestWaitToRetry);
    std::string text = "The server asks to wait " + std::to_string(seconds) + " s";
    if (waited != seconds) text += "; waiting " + std::to_string(waited) + " s";
    ReportWarning(text + " before asking again (" + LinkDesc.URL + ")");
    pauseFor(std::chrono::seconds(waited));
  }

  // A pause of the fetch (for data, for a turn at the host); a cancellation ends it at once.
  void pauseFor(milliseconds Pause) {
    {
      std::unique_lock lock(waitLock);
      cancelled.wait_for(lock, Pause, [this] { return CancelRequested.load(); });
    }
    CheckCancel();
  }

  const ComPtr<IIJobAsyncProvider> Owner;
  const ComPtr<IKGetFileController> Controller;
  const TLinkDescription LinkDesc;
  const int32_t Level;

  std::mutex eventsLock; // guards Events
  ComPtr<IIGetFileEvents> Events;
  ComPtr<IIThreadContextSupport> ThreadContext; // the worker's only
  std::atomic<bool> CancelRequested = false;
  std::mutex waitLock; // pairs with cancelled
  std::condition_variable cancelled;
  ComPtr<IGetFileTool> Tool; // guarded by getFileLock; set and cleared by the worker only
  bool Success = false;      // the worker's only
  TFetchOutcome Outcome;     // the same
};

} // namespace

ComPtr<IKGetFileProcess> NewGetFileProcess(IKGetFileController *Controller,
                                           IIJobAsyncProvider *Owner,
                                           const TLinkDescription &LinkDesc, int32_t Level) {
  ComPtr<TGetFileProcess> process =
      platform::MakeCom<TGetFileProcess>(Controller, Owner, LinkDesc, Level);
  process->Start();
  return ComPtr<IKGetFileProcess>(process.get());
}

void WaitForGetFileWorkers() {
  std::unique_lock lock(workers().Lock);
  workers().Ended.wait(lock, [] { return workers().Count == 0; });
}

} // namespace zs::retrieval
