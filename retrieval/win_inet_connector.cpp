#include "retrieval/win_inet_connector.h"

#include <utility>

#include "kernel/profiler_advisor.h"
#include "platform/folders.h"
#include "platform/safecall.h"
#include "retrieval/proxy_data.h"

namespace zs::retrieval {

const char *const CannotConnectText =
    "Cannot connect to a separated process ZelvorSumbraWinInetter.exe, check for it in the "
    "ZelvorSumbra.exe folder. If OK, restart ZelvorSumbra.";

namespace {

// Unread replies are bounded per request and for the whole program. A reader slower than its
// transfer holds the receiving thread at its request's bound, which delays the replies of
// every other request behind it on the channel; it never stops them for good, because every
// reader keeps reading until its request ends, and a tool dropped unread gives its room back.
constexpr size_t PerRequestReplyBytes = 4u << 20;
constexpr size_t TotalReplyBytes = 64u << 20;
TReplyBudget budget(PerRequestReplyBytes, TotalReplyBytes);

std::mutex launchLock; // serialises starting a process; guards processPath and launchFailed
std::string processPath;
// Set when a process could not be started or never announced itself: that does not mend
// itself, and every fetch would otherwise wait out the start again.
bool launchFailed = false;

std::mutex connectorLock; // guards connector
std::shared_ptr<TWinInetConnector> connector;

// Counts the changes of the settings the process applies, so that a process being started
// while one happens is sent the new values too.
std::atomic<uint32_t> settingsChanges{0};

std::unique_ptr<settings::TProfilerAdvisor> advisor; // created and freed in the main thread

std::shared_ptr<TWinInetConnector> runningConnector() {
  std::lock_guard guard(connectorLock);
  return connector && connector->Alive() ? connector : nullptr;
}

TTransferSettings currentSettings() {
  ComPtr<IProfilerNames> profiler = GetProfiler();
  TTransferSettings settings;
  platform::OleCheck(profiler->get_UserAgent(&settings.UserAgent));
  platform::OleCheck(profiler->get_IgnoreSSLInexactnesses(&settings.IgnoreSSL));
  Variant value;
  platform::OleCheck(profiler->get_Param("IdleTimeOut", &value));
  settings.IdleSeconds = value.AsInteger();
  platform::OleCheck(profiler->get_Param("MaxFileSizeMB", &value));
  settings.MaxFileMegabytes = value.AsInteger();
  TProxyData proxy = ReadProxySettings();
  settings.ProxyUse = proxy.Use;
  settings.ProxyAddress = proxy.Address;
  settings.ProxyUserName = proxy.UserName;
  settings.ProxyPassword = proxy.Password;
  return settings;
}

void settingChanged(const std::string &Name, const Variant &) {
  if (Name == "MaxGetProcessAllowed" || Name == "UserAgent" || Name == "IgnoreSSLInexactnesses" ||
      Name == "IdleTimeOut" || Name == "MaxFileSizeMB")
    ResendSettings();
}

} // namespace

TWinInetConnector::~TWinInetConnector() { Close(); }

void TWinInetConnector::Close() {
  failAll();
  Disconnect();
}

TPendingRequest TWinInetConnector::RegisterTool() {
  TPendingRequest request{0, std::make_shared<TReplyQueue>(budget_)};
  std::lock_guard guard(pendingLock_);
  do {
    request.ID = ++lastID_;
  } while (request.ID == 0 || pendingTools_.contains(request.ID));
  pendingTools_.emplace(request.ID, request.Replies);
  return request;
}

bool TWinInetConnector::Forget(uint32_t ID) {
  std::shared_ptr<TReplyQueue> forgotten;
  {
    std::lock_guard guard(pendingLock_);
    auto pending = pendingTools_.find(ID);
    if (pending == pendingTools_.end()) return false;
    forgotten = std::move(pending->second);
    pendingTools_.erase(pending);
  }
  // The receiving thread may be holding a reply for it, waiting for room that its reader
  // will never free now.
  RoomFreed();
  return true;
}

void TWinInetConnector::SendRequest(uint32_t ID, const TURL &URL, const TConditions &Conditions) {
  send(hmRequest, EncodeRequest(ID, URL, Conditions));
}

void TWinInetConnector::SendAbort(uint32_t ID) { send(hmAbort, EncodeAbort(ID)); }

void TWinInetConnector::SendSettings() { send(hmSettings, EncodeSettings(currentSettings())); }

void TWinInetConnector::send(uint32_t code, std::string_view payload) {
  try {
    Send(code, payload);
  } catch (const EDataCopier &) {
    failAll();
    throw EWinInetConnector(CannotConnectText);
  }
}

bool TWinInetConnector::HandleData(const platform::Frame &Message) {
  if (Message.Code > pmError) return true; // a message this program does not know
  TReply reply = DecodeReply(Message.Code, Message.Payload);
  bool final = reply.Code == pmEnd || reply.Code == pmError;
  std::lock_guard guard(pendingLock_);
  auto pending = pendingTools_.find(reply.ID);
  if (pending == pendingTools_.end()) return true; // ended, aborted or dropped: ignored
  if (!pending->second->TryPush(reply, Message.Payload.size())) return false;
  if (final) pendingTools_.erase(pending);
  return true;
}

void TWinInetConnector::PeerLost() { failAll(); }

void TWinInetConnector::failAll() {
  alive_ = false;
  std::unordered_map<uint32_t, std::shared_ptr<TReplyQueue>> dropped;
  {
    std::lock_guard guard(pendingLock_);
    dropped.swap(pendingTools_);
  }
  for (auto &[id, replies] : dropped)
    replies->Fail(std::make_exception_ptr(EWinInetConnector(CannotConnectText)));
  Hangup();
}

std::shared_ptr<TWinInetConnector> GetConnector() {
  if (auto running = runningConnector()) return running;
  std::lock_guard launching(launchLock);
  if (launchFailed) throw EWinInetConnector(CannotConnectText);
  // Another fetch may have started one while this one waited.
  if (auto running = runningConnector()) return running;

  auto fresh = std::make_shared<TWinInetConnector>(budget);
  try {
    fresh->LaunchProcess(processPath);
    fresh->WaitStarted();
  } catch (const EDataCopier &) {
    launchFailed = true;
    throw EWinInetConnector(CannotConnectText);
  }
  // The settings go first, so the process applies them to the very first request.
  uint32_t changesSeen = settingsChanges.load();
  fresh->SendSettings();
  std::shared_ptr<TWinInetConnector> previous;
  {
    std::lock_guard guard(connectorLock);
    previous = std::exchange(connector, fresh);
  }
  if (settingsChanges.load() != changesSeen) fresh->SendSettings();
  return fresh;
}

void SetProcessPath(const std::string &Path) {
  std::lock_guard guard(launchLock);
  processPath = Path;
}

size_t UnreadReplyBytes() { return budget.Unread(); }

pid_t SeparatedProcessId() {
  auto running = runningConnector();
  return running ? running->ProcessId() : -1;
}

void ResendSettings() {
  ++settingsChanges;
  auto running = runningConnector();
  if (!running) return;
  try {
    running->SendSettings();
  } catch (const EWinInetConnector &) {
    // The process is gone and its requests have failed with this error; the next fetch
    // starts a new process, which is given the settings as it starts. The change of the
    // setting itself succeeded and must not be reported as failed.
  }
}

void StartConnectorModule() {
  SetProcessPath(platform::ProgramFolder() + "ZelvorSumbraWinInetter");
  advisor = std::make_unique<settings::TProfilerAdvisor>(&settingChanged);
}

void StopConnectorModule() {
  advisor.reset();
  std::shared_ptr<TWinInetConnector> last;
  {
    std::lock_guard launching(launchLock);
    launchFailed = false;
    std::lock_guard guard(connectorLock);
    last = std::move(connector);
  }
  // Tools may still hold it; the process ends now all the same.
  if (last) last->Close();
}

} // namespace zs::retrieval
