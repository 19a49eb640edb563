#include "kernel/interfaces.h"

namespace zs {

namespace {
template <class Enum, size_t N>
const char *nameOf(const std::array<const char *, N> &names, Enum value) {
  auto index = static_cast<size_t>(value);
  return index < N ? names[index] : "";
}
} // namespace

const char *EnumName(TCopyType value) { return nameOf(CopyTypeNames, value); }
const char *EnumName(TJobState value) { return nameOf(JobStateNames, value); }
const char *EnumName(TLinkType value) { return nameOf(LinkTypeNames, value); }
const char *EnumName(TLinkState value) { return nameOf(LinkStateNames, value); }

// Constant-initialised: usable before, during and after every module's start-up.
constinit EntryPoint<ComPtr<IKernel>()> GetKernel{"GetKernel"};
constinit EntryPoint<ComPtr<IJobQueue>()> GetJobQueue{"GetJobQueue"};
constinit EntryPoint<std::vector<ComPtr<IGetSiteJob>>()> QueueJobs{"QueueJobs"};
constinit EntryPoint<void()> ShutdownKernel{"ShutdownKernel"};
constinit EntryPoint<bool(const std::string &, IJobRequest *, std::string &)> CheckProjectDir{
    "CheckProjectDir"};
constinit EntryPoint<void(IJobRequest *, TGetSiteEventsFactory)> CreateJobWithEvents{
    "CreateJobWithEvents"};
constinit EntryPoint<ComPtr<IJobRequest>()> CreateJobRequest{"CreateJobRequest"};
constinit EntryPoint<int32_t(const TJobRequestDef &, IJobRequest *, std::string &)>
    ValidateJobRequestDef{"ValidateJobRequestDef"};
constinit EntryPoint<std::string(const std::string &Name)> FileNameFault{"FileNameFault"};
constinit EntryPoint<ComPtr<IIIntfSnapshot>()> CreateIntfSnapshot{"CreateIntfSnapshot"};
constinit EntryPoint<ComPtr<IParams>()> CreateParams{"CreateParams"};
constinit EntryPoint<ComPtr<IGetSiteJob>(IKJobQueue *, IJobRequest *, TGetSiteEventsFactory)>
    CreateGetSiteJob{"CreateGetSiteJob"};
constinit EntryPoint<ComPtr<IGetSiteJob>(IKJobQueue *, IXMLElement *)> LoadGetSiteJob{
    "LoadGetSiteJob"};
constinit EntryPoint<ComPtr<IKJobExecuteController>()> GetJobExecuteController{
    "GetJobExecuteController"};
constinit EntryPoint<void()> FreeJobExecuteController{"FreeJobExecuteController"};
constinit EntryPoint<ComPtr<IKGetFileController>()> GetGetFileController{"GetGetFileController"};
constinit EntryPoint<void()> FreeGetFileController{"FreeGetFileController"};
constinit EntryPoint<bool()> GetFileControllerExists{"GetFileControllerExists"};
constinit EntryPoint<ComPtr<ILinkList>(IILinkListEvents *, int32_t)> CreateLinkList{
    "CreateLinkList"};
constinit EntryPoint<ComPtr<IURLServices>()> GetURLServices{"GetURLServices"};
constinit EntryPoint<ComPtr<IURLParser>(const TURL &, IJobRequest *)> CreateURLParser{
    "CreateURLParser"};
constinit EntryPoint<bool(const TURL &, TParsedURL &, bool)> ParseURL{"ParseURL"};
constinit EntryPoint<TURL(const TParsedURL &)> UnparseURL{"UnparseURL"};
constinit EntryPoint<ComPtr<IProfilerNames>()> GetProfiler{"GetProfiler"};
constinit EntryPoint<ComPtr<IIGetSiteEvents>(IKGetSiteJob *)> CreateDefaultGetSiteEvents{
    "CreateDefaultGetSiteEvents"};
constinit EntryPoint<TURL()> UpdateSiteURL{"UpdateSiteURL"};
constinit EntryPoint<ComPtr<IJobRequest>(const TURL &)> CreateUpdJobRequest{"CreateUpdJobRequest"};
constinit EntryPoint<ComPtr<IIGetSiteEvents>(IKGetSiteJob *)> CreateUpdGetSiteEvents{
    "CreateUpdGetSiteEvents"};
constinit EntryPoint<void(TIdleInitHandler)> AddIdleInitHandler{"AddIdleInitHandler"};
constinit EntryPoint<void(bool &)> ProcessIdleInit{"ProcessIdleInit"};
constinit EntryPoint<void(IILinkMessageSupport *, void *)> PostLinkMessage{"PostLinkMessage"};
constinit EntryPoint<void(void (*)(void *), void *)> PostToMainThread{"PostToMainThread"};
constinit EntryPoint<void(IUnknown *)> ReleaseInMainThread{"ReleaseInMainThread"};
constinit EntryPoint<void(const std::function<bool()> &)> WaitWhilePumping{"WaitWhilePumping"};
constinit EntryPoint<void(const std::string &)> ShowErrorBox{"ShowErrorBox"};
constinit EntryPoint<void(TWarningEvent, TErrorEvent)> InstallThreadReporters{
    "InstallThreadReporters"};
constinit EntryPoint<void()> UninstallThreadReporters{"UninstallThreadReporters"};
constinit EntryPoint<void(std::exception_ptr, std::string &, std::string &)> ExceptionToText{
    "ExceptionToText"};
constinit EntryPoint<void(const std::string &)> ReportWarning{"ReportWarning"};
constinit EntryPoint<void()> StartShutdownWatchdog{"StartShutdownWatchdog"};
constinit EntryPoint<void()> ReportCurrentException{"ReportCurrentException"};

constinit std::atomic<bool> KernelShuttingDown{false};
constinit std::atomic<bool> JobQueueDestroyed{true};

constinit EntryPoint<Variant(const std::string &, const std::string &, uint8_t)> ReadCustom{
    "ReadCustom"};
constinit EntryPoint<void(const std::string &, const std::string &, const Variant &, uint8_t)>
    WriteCustom{"WriteCustom"};
constinit EntryPoint<std::string(const std::string &, const std::string &)> ReadCustomData{
    "ReadCustomData"};
constinit EntryPoint<void(const std::string &, const std::string &, const std::string &)>
    WriteCustomData{"WriteCustomData"};

constinit EntryPoint<ComPtr<IParseProvider>(const std::string &, IURLParser *, IJobRequest *,
                                            int32_t, IIJobAsyncProvider *)>
    CreateParseProvider{"CreateParseProvider"};
constinit EntryPoint<ComPtr<IParser>(const std::string &)> GetParser{"GetParser"};
constinit EntryPoint<void(IJobRequest *, IILinkList *)> MendLinksNotCopied{"MendLinksNotCopied"};

constinit EntryPoint<ComPtr<IUnknown>(const std::string &, const GUID &)> GetPluginInterface{
    "GetPluginInterface"};
constinit EntryPoint<ComPtr<IUnknown>(const std::string &)> GetInetModule{"GetInetModule"};
constinit EntryPoint<ComPtr<IUnknown>(const std::string &)> GetParserModule{"GetParserModule"};
constinit EntryPoint<ComPtr<IUnknown>()> GetXMLProviderModule{"GetXMLProviderModule"};
constinit EntryPoint<ComPtr<IModuleInit>(const std::string &)> GetModuleInitInterface{
    "GetModuleInitInterface"};
constinit EntryPoint<void(TInetCacheCallback, void *)> EnumInetCacheModules{"EnumInetCacheModules"};
constinit EntryPoint<bool(const std::string &, TVersion &)> GetPluginVersion{"GetPluginVersion"};
constinit EntryPoint<void()> FreeAllPlugins{"FreeAllPlugins"};

constinit EntryPoint<ComPtr<IXMLDocument>()> NewDataDocument{"NewDataDocument"};
constinit EntryPoint<ComPtr<IXMLDocument>(const TLocalFileName &)> OpenDataDocument{
    "OpenDataDocument"};
constinit EntryPoint<ComPtr<IXMLElement>(IXMLElement *, const std::string &)> FindOrAddChild{
    "FindOrAddChild"};
constinit EntryPoint<bool(IXMLElement *, const std::string &)> IsElementNamed{"IsElementNamed"};
constinit EntryPoint<void(IXMLElement *, IJobRequest *)> SaveJobRequest{"SaveJobRequest"};
constinit EntryPoint<bool(IXMLElement *, ComPtr<IJobRequest> &, bool)> LoadJobRequest{
    "LoadJobRequest"};
constinit EntryPoint<TLocalFileName(IXMLElement *, IILinkList *, const TLocalFileName &)>
    SaveLinkList{"SaveLinkList"};
constinit EntryPoint<int32_t(IXMLElement *, IILinkList *, const TLocalFileName &)> LoadLinkList{
    "LoadLinkList"};
constinit EntryPoint<void(IXMLElement *, IParams *)> SaveLinkParams{"SaveLinkParams"};
constinit EntryPoint<ComPtr<IParams>(IXMLElement *)> LoadLinkParams{"LoadLinkParams"};
constinit EntryPoint<void(TJobState, IJobRequest *, IILinkList *, const TLocalFileName &)>
    SaveJobDescription{"SaveJobDescription"};
constinit EntryPoint<ComPtr<IXMLElement>(const TLocalFileName &)> OpenJobDescription{
    "OpenJobDescription"};
constinit EntryPoint<TJobState(IXMLElement *)> LoadJobState{"LoadJobState"};
constinit EntryPoint<void(const TLocalFileName &, const std::vector<ComPtr<IJobRequest>> &)>
    SaveJobListFile{"SaveJobListFile"};
constinit EntryPoint<std::vector<ComPtr<IXMLElement>>(const TLocalFileName &)> OpenJobListFile{
    "OpenJobListFile"};

// Retrieval: transfer tools and the separated network process.
constinit EntryPoint<TProxyData()> ReadProxyData{"ReadProxyData"};
constinit EntryPoint<void(const TProxyData &)> WriteProxyData{"WriteProxyData"};
constinit EntryPoint<ComPtr<IGetFileTool>(const std::string &, const TURL &)> CreateWinInetTool{
    "CreateWinInetTool"};

// Retrieval: fetches, their progress and the choice of their tools.
constinit EntryPoint<ComPtr<IKGetFileProcess>(IKGetFileController *, IIJobAsyncProvider *,
                                              const TLinkDescription &, int32_t)>
    CreateGetFileProcess{"CreateGetFileProcess"};
constinit EntryPoint<ComPtr<IUnknown>()> CreateHostManners{"CreateHostManners"};
constinit EntryPoint<ComPtr<IIGetFileEvents>(IKGetFileProcess *)> CreateGetFileEvents{
    "CreateGetFileEvents"};
constinit EntryPoint<ComPtr<IIGetFileEvents>(const std::string &)> CreateGetFileEventsUI{
    "CreateGetFileEventsUI"};
constinit EntryPoint<ComPtr<IGetFileTool>(const TParsedURL &, const TURL &)> GetFileTool{
    "GetFileTool"};
constinit EntryPoint<void()> UpdateModulesProxy{"UpdateModulesProxy"};

} // namespace zs
