// The records, enumerations and interfaces that cross subsystem borders, and the service
// entry points through which one component finds another. Methods are declared in slot
// order. Published interfaces return HRESULTs (their logical result is the last out
// parameter); internal interfaces (II*, IK*, IP*) return their results and may raise.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/entry_point.h"
#include "platform/com.h"
#include "platform/exceptions.h"
#include "platform/variant.h"

namespace zs {

using platform::ComPtr;
using platform::GUID;
using platform::HRESULT;
using platform::IDispatch;
using platform::IUnknown;
using platform::MakeGUID;
using platform::Variant;

// ---------------------------------------------------------------------------------------
// Aliases and enumerations

using TURL = std::string;           // a URL as text
using TLocalFileName = std::string; // a local file or directory path

enum TCopyType : int32_t { ctExact = 0, ctBrowsable = 1 };
enum TJobState : int32_t { jsStopped = 0, jsRunning = 1, jsFinished = 2 };
enum TLinkType : int32_t {
  ltUserEntered = 0,
  ltAHref = 1,
  ltFrame = 2,
  ltFormAction = 3,
  ltImage = 4,
  ltScript = 5,
  ltStylesheet = 6,
  ltEmbedded = 7,
  ltExtra = 8,
  ltOther = 9
};
enum TLinkState : int32_t {
  lsPure = 0,
  lsInUse = 1,
  lsCompleteOK = 2,
  lsCompleteBad = 3,
  lsRejected = 4
};

// The identifier names of the enumerations, indexed by value; they are also their text in
// job description files.
inline constexpr std::array<const char *, 2> CopyTypeNames = {"ctExact", "ctBrowsable"};
inline constexpr std::array<const char *, 3> JobStateNames = {"jsStopped", "jsRunning",
                                                              "jsFinished"};
inline constexpr std::array<const char *, 10> LinkTypeNames = {
    "ltUserEntered", "ltAHref",      "ltFrame",    "ltFormAction", "ltImage",
    "ltScript",      "ltStylesheet", "ltEmbedded", "ltExtra",      "ltOther"};
inline constexpr std::array<const char *, 5> LinkStateNames = {"lsPure", "lsInUse", "lsCompleteOK",
                                                               "lsCompleteBad", "lsRejected"};

// The name of a value; "" for a value outside the enumeration.
const char *EnumName(TCopyType value);
const char *EnumName(TJobState value);
const char *EnumName(TLinkType value);
const char *EnumName(TLinkState value);

// ---------------------------------------------------------------------------------------
// Records

// The definition of a download job. The 1-based field number is the "Param #" of
// validation messages.
struct TJobRequestDef {
  std::string Title;            // 1
  TCopyType CopyType = ctExact; // 2
  int32_t DownLevel = 0;        // 3: -1 means unlimited
  TLocalFileName IndexName;     // 4: empty means detect automatically
  TURL PageURL;                 // 5
  TURL SiteURL;                 // 6
  bool AllowLinksAway = false;  // 7
  TLocalFileName ProjectDir;    // 8

  friend bool operator==(const TJobRequestDef &, const TJobRequestDef &) = default;
};

class IParams;

// A link as a parser found it.
// What a copy keeps of a copied resource to ask the server later whether it changed: the
// validators the server sent (empty when it sent none) and when it was fetched (seconds
// since 1970).
struct TValidators {
  std::string ETag;
  std::string LastModified;
  int64_t FetchedAt = 0;

  friend bool operator==(const TValidators &, const TValidators &) = default;
};

struct TLinkDescription {
  TURL URL; // as written in the document
  TLinkType LinkType = ltOther;
  std::string Tag;
  ComPtr<IParams> Params; // further attributes of the tag; may be empty
  // Of the last copy of the link, when it was copied before (a refresh asks with them).
  std::shared_ptr<const TValidators> Validators = nullptr;
};

// How a fetch ended, as its job hears of it.
struct TFetchOutcome {
  bool Success = false;
  bool Unchanged = false; // the server said the copy is current: its file was not touched
  bool Gone = false;      // a link copied before is no longer there (404, 410)
  std::shared_ptr<const TValidators> Validators = nullptr; // of a resource copied now
};

// A URL split into its parts.
struct TParsedURL {
  bool Simple = false;
  TURL Sheme;
  TURL UserAndPass;
  TURL Prefix;
  TURL Domain;
  TURL Port;
  TURL Path;
  TURL FileName;
  TURL Query;
  TURL Anchor;

  friend bool operator==(const TParsedURL &, const TParsedURL &) = default;
};

// Version record: four 16-bit words, Build first.
struct TVersion {
  uint16_t Build = 0;
  uint16_t Release = 0;
  uint16_t Minor = 0;
  uint16_t Major = 0;

  friend bool operator==(const TVersion &, const TVersion &) = default;
};
static_assert(sizeof(TVersion) == 8);

// The program's own version.
inline constexpr TVersion ProgramVersion = {0, 0, 0, 1};

// ---------------------------------------------------------------------------------------
// Opaque types owned by the subsystems that define them

// An element of an XML data document (see "XML data documents" below).
class IXMLElement;
// An entry of a link list's tree: host, directory or file (defined by the link list).
class TLinkEntry;
// A list of entries from a host entry down to one entry.
using TEntryList = std::vector<TLinkEntry *>;

// ---------------------------------------------------------------------------------------
// Published interfaces

class IJobQueue;
class IJobRequest;
class IGetSiteJob;
class ILinkList;
class IIntfSnapshot;
class IURLServices;
class IParams;
class IProfiler;
class IProfilerEvents;
class IProfilerNames;

class IKernel : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{458CDC3E-305D-450A-8CF7-F56BFA7E8C2D}");
  using Base = IUnknown;

  virtual HRESULT get_JobQueue(IJobQueue **Value) = 0;
  virtual HRESULT get_URLServices(IURLServices **Value) = 0;
  virtual HRESULT get_Profiler(IProfiler **Value) = 0;

protected:
  ~IKernel() = default;
};

class IJobQueue : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{113EB791-F9E7-4586-A6D1-A901B7E1BDA0}");
  using Base = IUnknown;

  virtual HRESULT AddJob(IJobRequest *JobRequest, IGetSiteJob **Value) = 0;
  virtual HRESULT SaveTo(const TLocalFileName &FileName) = 0;
  virtual HRESULT LoadAndMerge(const TLocalFileName &FileName) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT GetJobs(IIntfSnapshot **Value) = 0;

protected:
  ~IJobQueue() = default;
};

class IJobRequest : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{025E561B-C810-4E57-A67B-46DE0BCCFBD4}");
  using Base = IUnknown;

  virtual HRESULT get_Title(std::string *Value) = 0;
  virtual HRESULT get_CopyType(TCopyType *Value) = 0;
  virtual HRESULT get_DownLevel(int32_t *Value) = 0;
  virtual HRESULT get_IndexName(std::string *Value) = 0;
  virtual HRESULT get_PageURL(TURL *Value) = 0;
  virtual HRESULT get_SiteURL(TURL *Value) = 0;
  virtual HRESULT get_AllowLinksAway(bool *Value) = 0;
  virtual HRESULT get_ProjectDir(TLocalFileName *Value) = 0;
  virtual HRESULT Change(const TJobRequestDef &Value) = 0;
  virtual HRESULT Clone(IJobRequest **Value) = 0;
  virtual HRESULT AsRecDef(TJobRequestDef *Value) = 0;

protected:
  ~IJobRequest() = default;
};

class IGetSiteJob : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{312184C0-19DE-4767-BC7A-5FC0C25FE5DE}");
  using Base = IUnknown;

  virtual HRESULT get_JobRequest(IJobRequest **Value) = 0;
  virtual HRESULT get_State(TJobState *Value) = 0;
  virtual HRESULT get_LinkList(ILinkList **Value) = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run() = 0;
  virtual HRESULT Remove() = 0;
  virtual HRESULT Retry(bool *Value) = 0;

protected:
  ~IGetSiteJob() = default;
};

// A job that can bring a finished copy up to date: every link is asked for again, copied
// ones only if they changed (see IILinkList::Refresh). Value: whether links wait afterwards,
// for Run, as after Retry. When the refresh is over, the job's log says what it found.
class IRefreshableJob : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{2F7D9B31-6A4C-4E58-B0D3-91C6E5A7F412}");
  using Base = IUnknown;

  virtual HRESULT Refresh(bool *Value) = 0;

protected:
  ~IRefreshableJob() = default;
};

class ILinkList : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{7087445B-450E-4E5B-9FAA-CE5E89B7BF46}");
  using Base = IUnknown;

  virtual HRESULT AddUserLink(const TURL &URL) = 0;
  virtual HRESULT AddLink(const TLinkDescription &LinkDesc, int32_t CurrentLevel) = 0;

protected:
  ~ILinkList() = default;
};

class IIntfSnapshot : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{EFCBB065-D33E-427F-8FA1-10A93032D787}");
  using Base = IUnknown;

  virtual HRESULT get_Count(int32_t *Value) = 0;
  virtual HRESULT get_Item(int32_t Index, IUnknown **Value) = 0;

protected:
  ~IIntfSnapshot() = default;
};

class IURLServices : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{FEAEA45A-0D64-4302-8386-B5EC318DEF58}");
  using Base = IUnknown;

  virtual HRESULT Parse(const TURL &URL, TParsedURL *Result, bool Simplify) = 0;
  virtual HRESULT Simplify(TParsedURL *URL) = 0;
  virtual HRESULT Unparse(const TParsedURL &URL, TURL *Result) = 0;
  virtual HRESULT EscapeCheck(TParsedURL *URL) = 0;
  virtual HRESULT IsLocalAnchor(const TParsedURL &URL, bool *Value) = 0;
  virtual HRESULT IsSameSite(const TParsedURL &SiteURL, const TParsedURL &URL, bool *Value) = 0;

protected:
  ~IURLServices() = default;
};

// A per-job URL parser: resolves links against a base page, judges them against the job's
// site and maps them to local file names and relative links. Not shared between threads.
// Links with the scheme "file" are accepted only when the parser has no base page (the URL
// comes from the user) or when the base given at creation or by SetBase is itself a "file"
// URL; a base taken from the page (BaseFromCurrent) does not change that.
class IURLParser : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{46F295B6-796A-447E-A80D-1FA17C1EE1FC}");
  using Base = IUnknown;

  // An empty LocalDir is worked out from the URL.
  virtual HRESULT SetBase(const TURL &URL, const TLocalFileName &LocalDir) = 0;
  virtual HRESULT BaseFromCurrent() = 0;
  virtual HRESULT SetURL(const TURL &URL, bool *Accepted) = 0;
  virtual HRESULT GetParsedURL(TParsedURL *Value) = 0;
  virtual HRESULT GetURL(TURL *Value) = 0;
  virtual HRESULT GetDomainDirName(std::string *Value) = 0;
  // The local names, and BaseFromCurrent, fail unless the last SetURL was accepted.
  virtual HRESULT GetLocalFileName(TLocalFileName *Value) = 0;
  virtual HRESULT GetLocalDir(TLocalFileName *Value) = 0;
  virtual HRESULT GetRelativeLink(TURL *Value) = 0;
  // For the last URL set, accepted or not: the absolute URL, with its anchor, that a copy
  // writes so that the link still leads to the web. Empty when the URL was written with a
  // scheme of its own (it leads there as written), did not resolve, or is not on the web.
  virtual HRESULT GetOnlineLink(TURL *Value) = 0;

protected:
  ~IURLParser() = default;
};

// A container of Param=Value pairs sorted by name (case-sensitive ordinal order); an
// unknown name reads as empty, putting an existing name replaces its value.
class IParams : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{DF3FE38D-449F-4929-A1AC-C7075F700E3C}");
  using Base = IUnknown;

  virtual HRESULT get_Value(const std::string &Name, std::string *Value) = 0;
  virtual HRESULT put_Value(const std::string &Name, const std::string &Value) = 0;
  virtual HRESULT get_Name(int32_t Index, std::string *Value) = 0;
  virtual HRESULT get_NamesCount(int32_t *Value) = 0;
  virtual HRESULT get_ValueByNameIndex(int32_t Index, std::string *Value) = 0;
  virtual HRESULT put_ValueByNameIndex(int32_t Index, const std::string &Value) = 0;

protected:
  ~IParams() = default;
};

// Named settings; a dual interface.
class IProfiler : public IDispatch {
public:
  static constexpr GUID IID = MakeGUID("{C7EC57C7-E8DB-4E7D-A0D6-5BC3C5891B3A}");
  using Base = IDispatch;

  virtual HRESULT get_Param(const std::string &Name, Variant *Value) = 0;
  virtual HRESULT put_Param(const std::string &Name, const Variant &Value) = 0;
  virtual HRESULT Advise(IProfilerEvents *Callback, int32_t *ID) = 0;
  virtual HRESULT Unadvice(int32_t ID) = 0;

protected:
  ~IProfiler() = default;
};

class IProfilerEvents : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{21B83270-2054-406B-BBA7-8EF8D3C56AE6}");
  using Base = IUnknown;

  virtual HRESULT ParamChanged(const std::string &Param, const Variant &NewValue) = 0;

protected:
  ~IProfilerEvents() = default;
};

class IProfilerNames : public IProfiler {
public:
  static constexpr GUID IID = MakeGUID("{FFA18337-68A9-41B9-BEA5-145A67AA637B}");
  using Base = IProfiler;

  virtual HRESULT get_MaxGetProcessAllowed(int32_t *Value) = 0;
  virtual HRESULT get_UserAgent(std::string *Value) = 0;
  virtual HRESULT get_IgnoreSSLInexactnesses(bool *Value) = 0;
  virtual HRESULT get_FirstSiteName(std::string *Value) = 0;
  virtual HRESULT get_IgnorePrefix(bool *Value) = 0;
  virtual HRESULT get_DefaultIndexName(std::string *Value) = 0;
  virtual HRESULT get_HTMLParserOverriden(bool *Value) = 0;
  virtual HRESULT get_JobDescriptionFileName(std::string *Value) = 0;
  virtual HRESULT get_QuickSaveFileName(std::string *Value) = 0;
  virtual HRESULT GetPrefixToIgnore(const std::string &ProtocolLoCase, std::string *Value) = 0;
  virtual HRESULT GetDefaultPort(const std::string &ProtocolLoCase, std::string *Value) = 0;
  virtual HRESULT get_UserJobList(std::string *Value) = 0;
  virtual HRESULT GetPluginInetModuleName(const std::string &ProtocolLoCase,
                                          std::string *Value) = 0;
  virtual HRESULT GetPluginParserModuleName(const std::string &IDTag, std::string *Value) = 0;
  virtual HRESULT GetPluginInetCacheModuleNames(std::string *Value) = 0;
  virtual HRESULT GetPluginXMLProviderModuleName(std::string *Value) = 0;
  virtual HRESULT GetDefaultJobRequest(TJobRequestDef *Value) = 0;
  virtual HRESULT GetVersion(uint16_t *Major, uint16_t *Minor, uint16_t *Release) = 0;
  virtual HRESULT GetModuleVersion(const std::string &ModuleName, uint16_t *Major, uint16_t *Minor,
                                   uint16_t *Release, bool *Value) = 0;
  virtual HRESULT GetModulesPath(std::string *Value) = 0;

protected:
  ~IProfilerNames() = default;
};

class IUpdateController : public IDispatch {
public:
  static constexpr GUID IID = MakeGUID("{419AC8FB-B5DF-40B6-AAF1-9C9001CE67DA}");
  using Base = IDispatch;

  virtual HRESULT GetVersion(int32_t *Value) = 0;
  virtual HRESULT GetModuleVersion(const TLocalFileName &ModuleName, int32_t *Value) = 0;
  virtual HRESULT AddUpdateFile(const TURL &URL) = 0;

protected:
  ~IUpdateController() = default;
};

// The mark of the request of the program's own update job; no methods of its own.
class IUpdJobRequest : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{CA38B008-B38E-4612-BEBA-8D57931D8462}");
  using Base = IUnknown;

protected:
  ~IUpdJobRequest() = default;
};

// Class identifiers of the co-classes.
inline constexpr GUID CLSID_JobRequest = MakeGUID("{1E974E7C-5E25-4625-8FA2-3AB1820C12DF}");
inline constexpr GUID CLSID_Params = MakeGUID("{5A7B518D-CBB8-419C-8593-023C59BD58B0}");
inline constexpr GUID CLSID_Kernel = MakeGUID("{60BA609C-57E6-4CEC-AC93-B949FFE68C0D}");
inline constexpr GUID CLSID_Profiler = MakeGUID("{AD941F82-5D12-46E0-B2CD-076CBB95DE84}");
inline constexpr GUID CLSID_IntfSnapshot = MakeGUID("{414E209B-F2C3-4162-91D7-D1300450AE9D}");
inline constexpr GUID CLSID_UpdateController = MakeGUID("{F52F5053-7532-402E-B7CB-ABFE1DBCB46B}");
inline constexpr GUID LIBID_ZelvorSumbra = MakeGUID("{43BED750-A492-4E87-AEE3-EA4B371EA77B}");

// ---------------------------------------------------------------------------------------
// Internal interfaces. Those the system gives no identifier carry one of this program's
// own, so that QueryInterface can reach them inside the process.

class IIGetSiteEvents;
class IILinkList;
class IIJobAsyncProvider;
class IIThreadContextSupport;
class IIJobRequestEvents;
class IILinkListEvents;
class IKGetSiteJob;
class IIIntfSnapshot;

class IIGetSiteJob : public IGetSiteJob {
public:
  static constexpr GUID IID = MakeGUID("{E94AFCD8-857D-46CD-ADFF-EE02FBD355C2}");
  using Base = IGetSiteJob;

  // The job's event sink; empty after Remove.
  virtual ComPtr<IIGetSiteEvents> GetEvents() = 0;
  // The link list, loaded first when it was not loaded yet.
  virtual ComPtr<IILinkList> GetInternalLinkList() = 0;

protected:
  ~IIGetSiteJob() = default;
};

class IKGetSiteJob : public IIGetSiteJob {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E01}");
  using Base = IIGetSiteJob;

  // Appends a child element "Job" holding the job request.
  virtual void SaveTo(IXMLElement *Node) = 0;
  // The job's provider of cross-thread messages, created on first use.
  virtual ComPtr<IIJobAsyncProvider> GetAsyncProvider() = 0;

protected:
  ~IKGetSiteJob() = default;
};

// A job's event sink. All calls arrive in the main thread.
class IIGetSiteEvents : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{9C74BFF8-6B58-4AC2-AAAF-E0FB130F5D89}");
  using Base = IUnknown;

  virtual ComPtr<IGetSiteJob> GetJob() = 0;
  virtual void StateChanged() = 0;
  virtual void JobRemoved() = 0;
  virtual void LinkChanged(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) = 0;
  virtual void RequestChanged() = 0;
  virtual void SelectJobItem() = 0;
  virtual bool IsUpdateJob() = 0;
  virtual void LinkListChanged(const TEntryList &EntryPath, TLinkState NewState) = 0;
  virtual ComPtr<IIThreadContextSupport> GetFileEvents() = 0;

protected:
  ~IIGetSiteEvents() = default;
};

// How a job request talks to the job that owns it.
class IIJobRequestEvents : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{6CB63DF5-B465-4D0D-8651-C37F6404C33E}");
  using Base = IUnknown;

  virtual void AfterChange(const TJobRequestDef &OldDef) = 0;
  virtual void ChangeFailed() = 0;
  // Raises to refuse the change.
  virtual void BeforeChange(const TJobRequestDef &NewDef) = 0;

protected:
  ~IIJobRequestEvents() = default;
};

class IIJobRequest : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{78AC9677-9433-4421-BD56-AEDB007787D2}");
  using Base = IUnknown;

  // Stores a detected index name without validation.
  virtual void SetIndexName(const std::string &Name) = 0;
  // Binds the request to its job; a second binding fails with E_UNEXPECTED.
  virtual void SetEvents(IIJobRequestEvents *Events) = 0;

protected:
  ~IIJobRequest() = default;
};

// How a link list reports to its job.
class IILinkListEvents : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E02}");
  using Base = IUnknown;

  // No link within the depth limit is waiting or being fetched any more.
  virtual void AllDone() = 0;
  // A link was added (new or already known); the last element is its file entry.
  virtual void LinkAdded(const TEntryList &EntryPath, const TLinkDescription &LinkDesc) = 0;
  virtual void StateChanged(const TEntryList &EntryPath, TLinkState NewState) = 0;

protected:
  ~IILinkListEvents() = default;
};

// Called for every link when a link list is enumerated.
using TEnumerateLinksCallback =
    std::function<void(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State)>;

class IILinkList : public ILinkList {
public:
  static constexpr GUID IID = MakeGUID("{D6685A0B-D3F4-4860-A550-397AE3BFE41D}");
  using Base = ILinkList;

  virtual void AddLinkEx(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State) = 0;
  // HostBusy, when given, names the hosts (as a link's URL starts, "http://host:port") that
  // have their share of fetches: the next wanted link of another host is handed out instead,
  // and none while every host with wanted links has its share, unless the list holds links
  // of only one host.
  using THostBusy = std::function<bool(const std::string &Host)>;
  virtual bool GetNextWanted(TLinkDescription &LinkDesc, int32_t &Level,
                             const THostBusy &HostBusy = nullptr) = 0;
  // Outcome 0 records lsCompleteBad, 1 lsCompleteOK. Fetch, when given, says more of how
  // the fetch went: its validators are kept, and it counts for the refresh.
  virtual void CompleteLink(const std::string &URL, uint8_t Outcome,
                            const TFetchOutcome *Fetch = nullptr) = 0;
  virtual void CancelLink(const std::string &URL) = 0;
  // True when links are waiting afterwards.
  virtual bool Retry() = 0;
  // Every finished link waits again, copied ones with their validators, and the counts of
  // the refresh start from nothing. True when links are waiting afterwards.
  virtual bool Refresh() = 0;
  // What the fetches since the last Refresh found.
  struct TRefreshCounts {
    int32_t Unchanged = 0, Changed = 0, New = 0, Gone = 0;
  };
  virtual TRefreshCounts RefreshCounts() const = 0;
  virtual void SetDownLevel(int32_t Level) = 0;
  virtual void LoadJournal() = 0;
  // Empty for no journal.
  virtual void SetJournalFile(const std::string &FileName) = 0;
  virtual void EnumerateLinks(const TEnumerateLinksCallback &Callback) = 0;
  virtual bool IsPureEntry(TLinkEntry *Entry) = 0;

protected:
  ~IILinkList() = default;
};

// The line that ends a refresh, in the job's log and on the console.
inline constexpr const char *RefreshSummaryText = "Refreshed: ";
inline std::string RefreshSummary(const IILinkList::TRefreshCounts &Counts) {
  return RefreshSummaryText + std::to_string(Counts.Unchanged) + " unchanged, " +
         std::to_string(Counts.Changed) + " changed, " + std::to_string(Counts.New) + " new, " +
         std::to_string(Counts.Gone) + " gone";
}

// The kinds of child that IILinkListView::ForEach reports.
enum TLinkEntryKind : int32_t { lekHost = 0, lekDirectory = 1, lekFile = 2 };

using TLinkViewCallback =
    std::function<void(TLinkEntry *Entry, TLinkEntryKind Kind, const std::string &Name)>;

// The link list as the user interface's tree sees it.
class IILinkListView : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{4EE76360-2666-4ADB-8416-AA5BBB22F574}");
  using Base = IUnknown;

  // With no node, every host; otherwise the node's sub-directories, then its files.
  virtual void ForEach(TLinkEntry *Node, const TLinkViewCallback &Callback) = 0;
  virtual bool HasChildren(TLinkEntry *Node) = 0;
  virtual TLinkState GetState(TLinkEntry *FileEntry) = 0;
  virtual std::string GetName(TLinkEntry *Entry) = 0;
  virtual std::string GetDisplayName(TLinkEntry *Entry, bool IsDirectory) = 0;

protected:
  ~IILinkListView() = default;
};

// What a fetch running in a worker thread may do with its job.
class IIJobAsyncProvider : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E03}");
  using Base = IUnknown;

  virtual ComPtr<IIThreadContextSupport> GetFileEvents() = 0;
  virtual ComPtr<IJobRequest> GetJobRequest() = 0;
  // URL: the URL the link list handed out.
  virtual void PostCompleteLink(const std::string &URL, const TFetchOutcome &Outcome) = 0;
  virtual void PostCancelLink(const std::string &URL) = 0;
  virtual void PostAddLink(const TLinkDescription &LinkDesc, int32_t CurrentLevel) = 0;
  // What the fetches of the job's current run share of the hosts they fetch from, made by
  // CreateHostManners at the run's first need; empty when nobody fills that. Any thread.
  virtual ComPtr<IUnknown> GetHostManners() = 0;

protected:
  ~IIJobAsyncProvider() = default;
};

class IPJobAsyncProvider : public IIJobAsyncProvider {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E04}");
  using Base = IIJobAsyncProvider;

  virtual ComPtr<IKGetSiteJob> GetJob() = 0;
  // A new run of the job begins: its fetches learn its hosts' manners anew.
  virtual void ForgetHostManners() = 0;

protected:
  ~IPJobAsyncProvider() = default;
};

// Runs a posted message in the main thread and frees it. The message is a plain object
// whose kind the target knows.
class IILinkMessageSupport : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{CE06AE0D-5737-4876-9B09-ADD8BC3D0E76}");
  using Base = IUnknown;

  virtual void DispatchMessage(void *Message) = 0;

protected:
  ~IILinkMessageSupport() = default;
};

class IIThreadContextSupport : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{D366CD26-841F-45D7-865C-B3E9D4D45E62}");
  using Base = IUnknown;

  // Makes the object the calling thread's reporter of warnings and errors.
  virtual void Install() = 0;

protected:
  ~IIThreadContextSupport() = default;
};

// The progress of one fetch; its methods are those of the get-file controller.
class IIGetFileEvents : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{56DF37FF-3EE1-4C43-9004-493F8582D6EF}");
  using Base = IUnknown;

  virtual void Begin() = 0;
  virtual void Progress(bool SizeKnown, int64_t Position, int64_t Amount) = 0;
  virtual void Finished(bool Success) = 0;

protected:
  ~IIGetFileEvents() = default;
};

// An events factory: creates a job's event sink.
using TGetSiteEventsFactory = ComPtr<IIGetSiteEvents> (*)(IKGetSiteJob *Job);

class IKJobQueue : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E05}");
  using Base = IUnknown;

  virtual void RegisterJob(IKGetSiteJob *Job) = 0;
  virtual void UnregisterJob(IKGetSiteJob *Job) = 0;
  virtual void RemoveAll() = 0;
  virtual ComPtr<IGetSiteJob> CreateJob(IJobRequest *Request, TGetSiteEventsFactory Factory) = 0;
  virtual bool CheckProjectDir(const std::string &Path, IJobRequest *Request,
                               std::string &Message) = 0;

protected:
  ~IKJobQueue() = default;
};

class IKJobExecuteController : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E06}");
  using Base = IUnknown;

  virtual void Add(IKGetSiteJob *Job) = 0;
  virtual void Remove(IKGetSiteJob *Job) = 0;
  virtual bool HasJobs() = 0;
  virtual void SlotFreed() = 0;
  virtual void TryExecute(IKGetSiteJob *Job) = 0; // Job may be nullptr

protected:
  ~IKJobExecuteController() = default;
};

// Results of IKGetFileController::TryStartJob.
// tsHostsBusy: the job's waiting links are all on hosts that have their fill of fetches.
enum TTryStartResult : int32_t { tsStarted = 0, tsNoLink = 1, tsAllBusy = 2, tsHostsBusy = 3 };

class IKGetFileController : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5B0E3A61-7C2D-4E8F-9A14-2F6B8D3C1E07}");
  using Base = IUnknown;

  virtual TTryStartResult TryStartJob(IKGetSiteJob *Job) = 0;
  virtual void CancelJob(IKGetSiteJob *Job) = 0;
  virtual void RegisterProcess(IUnknown *Process) = 0;
  virtual void ProcessFinished(IUnknown *Process) = 0;

protected:
  ~IKGetFileController() = default;
};

class IKMaintenanceTimer : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{3C556B8F-05B7-458B-BB8F-7B8FFA207B6D}");
  using Base = IUnknown;

  virtual bool IsMaintenanceDue() = 0;

protected:
  ~IKMaintenanceTimer() = default;
};

// The builder side of a snapshot.
class IIIntfSnapshot : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{69785209-11C5-420C-B198-688AAA1FE967}");
  using Base = IUnknown;

  virtual void Add(IUnknown *Item) = 0;
  virtual ComPtr<IIntfSnapshot> GetSnapshot() = 0;
  virtual std::vector<ComPtr<IUnknown>> &GetList() = 0;

protected:
  ~IIIntfSnapshot() = default;
};

// ---------------------------------------------------------------------------------------
// Parsers

class ICustomParseProcessor;

// How a parser reports a link it found: the context it was given and the description.
using TLinkReportFunction = void (*)(void *Context, const TLinkDescription &LinkDesc);

// Implemented by every parser. Text passes through block by block: each call returns the
// output for its input, Finish the rest.
class IParser : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{6FC98B03-0477-407A-B054-9BABBC0BD46D}");
  using Base = IUnknown;

  virtual HRESULT Init(IURLParser *URLParser, IJobRequest *JobRequest,
                       TLinkReportFunction ReportLink, void *Context, IParams *Params,
                       ICustomParseProcessor *CustomProcessor) = 0;
  virtual HRESULT ProcessBlock(const std::string &Input, std::string *Output) = 0;
  virtual HRESULT Finish(std::string *Output) = 0;

protected:
  ~IParser() = default;
};

// A parser the provider may keep for the custom blocks of one file.
class IAdvancedParser : public IParser {
public:
  static constexpr GUID IID = MakeGUID("{46C48659-6838-4E13-91E8-5A61919DF706}");
  using Base = IParser;

  // Called when the provider creates the parser for a custom block.
  virtual HRESULT BlockParserCreated() = 0;
  // Called when the provider is finished with it.
  virtual HRESULT BlockParserReleased() = 0;

protected:
  ~IAdvancedParser() = default;
};

// The provider's side of embedded content: a parser hands a piece of it (a style attribute,
// a script or style element) to the parser of its content type and gets the output back.
// References through it are not counted.
class ICustomParseProcessor : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{9D726C9E-1848-4712-9968-7035F77A71C6}");
  using Base = IUnknown;

  virtual HRESULT BeginCustom(const std::string &ContentType, IParams *Params) = 0;
  virtual HRESULT ProcessCustomBlock(const std::string &Input, std::string *Output) = 0;
  virtual HRESULT FinishCustom(std::string *Output) = 0;
  virtual HRESULT ProcessCustom(const std::string &ContentType, const std::string &Input,
                                std::string *Output) = 0;

protected:
  ~ICustomParseProcessor() = default;
};

// The parse provider of one fetched file.
class IParseProvider : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{09D986AC-A1F0-4527-95E2-F6EBB47BD5FD}");
  using Base = IUnknown;

  virtual HRESULT ProcessBlock(const std::string &Input, std::string *Output) = 0;
  virtual HRESULT Finish(std::string *Output) = 0;

protected:
  ~IParseProvider() = default;
};

// ---------------------------------------------------------------------------------------
// Exceptions of the kernel

ZS_EXCEPTION_CLASS(EKBadPath, platform::Exception);
ZS_EXCEPTION_CLASS(EDataLoad, platform::Exception);
ZS_EXCEPTION_CLASS(EParser, platform::Exception);
ZS_EXCEPTION_CLASS(EParamSaver, platform::Exception);
ZS_EXCEPTION_CLASS(EXMLProvider, platform::Exception);
ZS_EXCEPTION_CLASS(EWinInetConnector, platform::Exception);
ZS_EXCEPTION_CLASS(EDataCopier, platform::Exception);
ZS_EXCEPTION_CLASS(EHereExcept, platform::Exception);

// Raised for operations refused as not implemented.
class EInternalError : public platform::Exception {
public:
  EInternalError() : Exception("Sorry, this feature is not yet implemented") {}
  const char *ClassName() const override { return "EInternalError"; }
};

// Raised inside a worker to leave its work when cancellation was requested.
class ETerminateThread : public platform::Exception {
public:
  explicit ETerminateThread(const std::string &ClassNameOfWork)
      : Exception("Terminate " + ClassNameOfWork) {}
  const char *ClassName() const override { return "ETerminateThread"; }
};

// ---------------------------------------------------------------------------------------
// Service entry points of the kernel. Each is filled by the module that implements it.

extern EntryPoint<ComPtr<IKernel>()> GetKernel;
extern EntryPoint<ComPtr<IJobQueue>()> GetJobQueue;
// The jobs of the kernel's job list, in its order, as they are now.
extern EntryPoint<std::vector<ComPtr<IGetSiteJob>>()> QueueJobs;
extern EntryPoint<void()> ShutdownKernel;
extern EntryPoint<bool(const std::string &Path, IJobRequest *Request, std::string &Message)>
    CheckProjectDir;
extern EntryPoint<void(IJobRequest *Request, TGetSiteEventsFactory Factory)> CreateJobWithEvents;
extern EntryPoint<ComPtr<IJobRequest>()> CreateJobRequest;
// The number of the first invalid field and its message; 0 when valid.
extern EntryPoint<int32_t(const TJobRequestDef &Def, IJobRequest *Request, std::string &Message)>
    ValidateJobRequestDef;
// Why Name cannot be a file name (a character that file names may not hold); empty when it can.
extern EntryPoint<std::string(const std::string &Name)> FileNameFault;
extern EntryPoint<ComPtr<IIIntfSnapshot>()> CreateIntfSnapshot;
extern EntryPoint<ComPtr<IParams>()> CreateParams;
extern EntryPoint<ComPtr<IGetSiteJob>(IKJobQueue *Queue, IJobRequest *Request,
                                      TGetSiteEventsFactory Factory)>
    CreateGetSiteJob;
extern EntryPoint<ComPtr<IGetSiteJob>(IKJobQueue *Queue, IXMLElement *Node)> LoadGetSiteJob;
extern EntryPoint<ComPtr<IKJobExecuteController>()> GetJobExecuteController;
extern EntryPoint<void()> FreeJobExecuteController;
extern EntryPoint<ComPtr<IKGetFileController>()> GetGetFileController;
extern EntryPoint<void()> FreeGetFileController;
extern EntryPoint<bool()> GetFileControllerExists;
// The object also implements IILinkList and IILinkListView.
extern EntryPoint<ComPtr<ILinkList>(IILinkListEvents *Events, int32_t DownLevel)> CreateLinkList;
extern EntryPoint<ComPtr<IURLServices>()> GetURLServices;
// BaseURL may be empty: the URLs then come from the user.
extern EntryPoint<ComPtr<IURLParser>(const TURL &BaseURL, IJobRequest *JobRequest)> CreateURLParser;
// The URL operations called directly inside the program: Parse answers whether the URL parsed
// (the published IURLServices::Parse succeeds either way).
extern EntryPoint<bool(const TURL &URL, TParsedURL &Result, bool Simplify)> ParseURL;
extern EntryPoint<TURL(const TParsedURL &URL)> UnparseURL;
extern EntryPoint<ComPtr<IProfilerNames>()> GetProfiler;
extern EntryPoint<ComPtr<IIGetSiteEvents>(IKGetSiteJob *Job)> CreateDefaultGetSiteEvents;

// ---------------------------------------------------------------------------------------
// Site update

// The root of the vendor's web site, which bounds every update job.
extern EntryPoint<TURL()> UpdateSiteURL;
// The fixed request of an update job that fetches the update file at URL.
extern EntryPoint<ComPtr<IJobRequest>(const TURL &URL)> CreateUpdJobRequest;
// The event sink of an update job: the default sink, and at the job's end the update file
// started once every link is complete.
extern EntryPoint<ComPtr<IIGetSiteEvents>(IKGetSiteJob *Job)> CreateUpdGetSiteEvents;

// A start-up handler: sets Done to false to be run again.
using TIdleInitHandler = void (*)(bool &Done);
extern EntryPoint<void(TIdleInitHandler Handler)> AddIdleInitHandler;
extern EntryPoint<void(bool &Done)> ProcessIdleInit;

// The main thread's queue.
extern EntryPoint<void(IILinkMessageSupport *Target, void *Message)> PostLinkMessage;
extern EntryPoint<void(void (*Procedure)(void *), void *Argument)> PostToMainThread;
extern EntryPoint<void(IUnknown *Interface)> ReleaseInMainThread;
extern EntryPoint<void(const std::function<bool()> &Condition)> WaitWhilePumping;
extern EntryPoint<void(const std::string &Text)> ShowErrorBox;

// Each thread's reporters of warnings and errors: work in a worker thread reports through
// the slots of its thread; whoever wants the reports (a job's log) installs itself there.
using TWarningEvent = std::function<void(const std::string &Text)>;
using TErrorEvent = std::function<void(const std::string &Source, const std::string &Text)>;
// Fills the calling thread's slots (an empty function leaves its slot unset).
extern EntryPoint<void(TWarningEvent OnWarning, TErrorEvent OnError)> InstallThreadReporters;
extern EntryPoint<void()> UninstallThreadReporters;
// An exception as a source (its class, or "Workflow" for an error with a result code) and a
// text, as logs and message boxes show it.
extern EntryPoint<void(std::exception_ptr Error, std::string &Source, std::string &Text)>
    ExceptionToText;
// Hands a warning to the calling thread's warning slot; nothing happens when it is unset.
extern EntryPoint<void(const std::string &Text)> ReportWarning;
// How a warning that a redirect led a link elsewhere begins: "Redirected to <URL> (<link>)".
// Front-ends may show such notes apart from the warnings that tell of trouble.
inline constexpr std::string_view RedirectedText = "Redirected to ";
// Inside an exception handler: reports the exception being handled through the calling
// thread's error slot, as a source (the exception's class) and a text. Never raises.
extern EntryPoint<void()> ReportCurrentException;

// Started by a front-end at its end, just before ShutdownKernel: ends the process with exit
// code 1 when the job list is not gone within 5 seconds.
extern EntryPoint<void()> StartShutdownWatchdog;

// False until ShutdownKernel runs.
extern std::atomic<bool> KernelShuttingDown;
// True while no job list object exists.
extern std::atomic<bool> JobQueueDestroyed;

// ---------------------------------------------------------------------------------------
// Settings: custom values

// Free-form values of the current user, under "Software\Zelvor\Sumbra\Custom\<Section>".
// ValueType: 1 text, 2 integer, 3 Boolean. Reading gives Null when the value is missing or
// stored with another type; writing raises EParamSaver for a value that does not convert.
extern EntryPoint<Variant(const std::string &Section, const std::string &ValueName,
                          uint8_t ValueType)>
    ReadCustom;
extern EntryPoint<void(const std::string &Section, const std::string &ValueName,
                       const Variant &Value, uint8_t ValueType)>
    WriteCustom;
// The raw bytes of a value of any type; empty when missing. Written as binary.
extern EntryPoint<std::string(const std::string &Section, const std::string &ValueName)>
    ReadCustomData;
extern EntryPoint<void(const std::string &Section, const std::string &ValueName,
                       const std::string &Data)>
    WriteCustomData;

// Parsers: the provider of a fetched file, and the parser of a content tag ("html", "css",
// or a plug-in's tag); GetParser gives an empty pointer when there is none.
extern EntryPoint<ComPtr<IParseProvider>(const std::string &ContentTag, IURLParser *URLParser,
                                         IJobRequest *JobRequest, int32_t Level,
                                         IIJobAsyncProvider *LinkSink)>
    CreateParseProvider;
extern EntryPoint<ComPtr<IParser>(const std::string &ContentTag)> GetParser;
// At the end of a job: the links of its pages that it did not copy after all are pointed at
// the web (see parsing/link_mending.h).
extern EntryPoint<void(IJobRequest *JobRequest, IILinkList *Links)> MendLinksNotCopied;

// ---------------------------------------------------------------------------------------
// Plug-in modules: the loader's entry points

// The identifiers of the roles a module may play.
inline constexpr GUID IID_ModuleInit = MakeGUID("{079E970E-1A60-4BC1-BFDB-DC6E5765858F}");
inline constexpr GUID IID_IInetModule = MakeGUID("{69F4D0BC-E35C-4912-8871-7E40765E8308}");
inline constexpr GUID IID_IInetCacheModule = MakeGUID("{1DABCB2C-8F1E-4093-95CA-1730A73DDD8F}");
inline constexpr GUID IID_IParserModule = MakeGUID("{6EC3762D-38E8-4FAB-9781-8DFAC4AF733B}");
inline constexpr GUID IID_IXMLProvider = MakeGUID("{869D8521-6F7F-4F8C-802A-AD24AAB464FB}");
// The host identity passed to every module.
inline constexpr GUID PluginHostID = MakeGUID("{7D4FC211-88D6-4FA7-8AEC-19FE78E77484}");

// The first method of a module's initialisation interface.
class IModuleInit : public IUnknown {
public:
  static constexpr GUID IID = IID_ModuleInit;
  using Base = IUnknown;

  virtual HRESULT Initialize() = 0;

protected:
  ~IModuleInit() = default;
};

// The exports a module provides, by name.
using TPluginCheckVersion = bool (*)(const GUID *HostID, const TVersion *HostVersion,
                                     TVersion *ModuleVersion, TVersion *OtherVersion);
using TPluginInit = void (*)(IKernel *Kernel, IUnknown **Module);

// Empty when the module cannot be loaded or lacks the interface.
extern EntryPoint<ComPtr<IUnknown>(const std::string &ModuleName, const GUID &IID)>
    GetPluginInterface;
extern EntryPoint<ComPtr<IUnknown>(const std::string &Scheme)> GetInetModule;
extern EntryPoint<ComPtr<IUnknown>(const std::string &Kind)> GetParserModule;
extern EntryPoint<ComPtr<IUnknown>()> GetXMLProviderModule;
extern EntryPoint<ComPtr<IModuleInit>(const std::string &ModuleName)> GetModuleInitInterface;
// Walks the cache modules in order until the callback answers true.
using TInetCacheCallback = bool (*)(void *Context, IUnknown *Module);
extern EntryPoint<void(TInetCacheCallback Callback, void *Context)> EnumInetCacheModules;
// Loads the module and gives its version; false when it cannot be loaded.
extern EntryPoint<bool(const std::string &ModuleName, TVersion &Version)> GetPluginVersion;
extern EntryPoint<void()> FreeAllPlugins;

// ---------------------------------------------------------------------------------------
// XML data documents: job description and job list files

// An element of a data document. A document may come from a provider module and be that
// module's own, so it is reached only through these interfaces, which return HRESULTs. An
// element keeps its document alive. Names are compared exactly.
class IXMLElement : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{AFB1C7CB-4327-4541-BD05-A00644CDFBC7}");
  using Base = IUnknown;

  // The name without its prefix, and the namespace the element is in ("" for none).
  virtual HRESULT get_LocalName(std::string *Value) = 0;
  virtual HRESULT get_NamespaceURI(std::string *Value) = 0;
  // Present is false, and Value empty, when the element has no such attribute.
  virtual HRESULT GetAttribute(const std::string &Name, std::string *Value, bool *Present) = 0;
  // Replaces the value of the attribute, or adds the attribute after the others.
  virtual HRESULT SetAttribute(const std::string &Name, const std::string &Value) = 0;
  // Creates an element named Name as the last child.
  virtual HRESULT AppendChild(const std::string &Name, IXMLElement **Child) = 0;
  // The first child element named Name; nullptr when there is none.
  virtual HRESULT FindChild(const std::string &Name, IXMLElement **Child) = 0;
  // The child elements in document order, other nodes passed over; nullptr after the last.
  virtual HRESULT get_FirstChild(IXMLElement **Child) = 0;
  virtual HRESULT get_NextSibling(IXMLElement **Sibling) = 0;

protected:
  ~IXMLElement() = default;
};

class IXMLDocument : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{75FCF687-848D-4584-A81E-2ECB44646BDF}");
  using Base = IUnknown;

  // The XML declaration written before the document element.
  virtual HRESULT SetDeclaration(const std::string &Version, const std::string &Encoding) = 0;
  // Child elements on lines of their own, indented by Spaces per level; 0 for none.
  virtual HRESULT SetIndentation(int32_t Spaces) = 0;
  // nullptr when the document has none.
  virtual HRESULT get_DocumentElement(IXMLElement **Value) = 0;
  // Creates the document element, named Name; fails when the document has one already.
  virtual HRESULT CreateDocumentElement(const std::string &Name, IXMLElement **Value) = 0;
  // Writes the document to the file; fails unless the whole document was written.
  virtual HRESULT Save(const std::string &FileName) = 0;

protected:
  ~IXMLDocument() = default;
};

// Where data documents come from: the built-in DOM, or the module named by the setting
// PluginXMLProviderModuleName (role IID_IXMLProvider).
class IXMLProvider : public IUnknown {
public:
  static constexpr GUID IID = IID_IXMLProvider;
  using Base = IUnknown;

  virtual HRESULT CreateDocument(IXMLDocument **Value) = 0;
  // Fails when the file cannot be read or is not a well-formed document.
  virtual HRESULT LoadDocument(const std::string &FileName, IXMLDocument **Value) = 0;

protected:
  ~IXMLProvider() = default;
};

// A new document: version "1.0", encoding "UTF-8", indented by two spaces. EXMLProvider
// "XML Provider unaviable" when a provider module is named but yields no provider.
extern EntryPoint<ComPtr<IXMLDocument>()> NewDataDocument;
// The document of the file, indented by two spaces when saved; empty when it cannot be loaded.
extern EntryPoint<ComPtr<IXMLDocument>(const TLocalFileName &FileName)> OpenDataDocument;
// The first child element of Parent named Name, appended when there is none.
extern EntryPoint<ComPtr<IXMLElement>(IXMLElement *Parent, const std::string &Name)> FindOrAddChild;
// True when the node's local name is Name and it is in no namespace.
extern EntryPoint<bool(IXMLElement *Node, const std::string &Name)> IsElementNamed;
// Writes the "Request" child of Parent (found or added).
extern EntryPoint<void(IXMLElement *Parent, IJobRequest *Request)> SaveJobRequest;
// Reads the "Request" child of Parent. When it gives a page URL and a project directory (its
// own when ReadProjectDir, else that of Request), Request becomes a new free request with the
// values read and the result is true; otherwise Request is left as it was.
extern EntryPoint<bool(IXMLElement *Parent, ComPtr<IJobRequest> &Request, bool ReadProjectDir)>
    LoadJobRequest;
// Writes the "LinkList" child of Parent: every link, then the name of the quick-save journal.
// Gives the journal file that the saved links take the place of, for the caller to delete once
// the document is safely on disk (deleting it before would lose both when the save fails).
extern EntryPoint<TLocalFileName(IXMLElement *Parent, IILinkList *Links,
                                 const TLocalFileName &ProjectDir)>
    SaveLinkList;
// Adds the links of the "LinkList" child of Parent to Links as they were saved, replays the
// quick-save journal it names, and has the list go on writing the job's journal. The number of
// "Link" elements read; 0 and nothing done without a "LinkList".
extern EntryPoint<int32_t(IXMLElement *Parent, IILinkList *Links, const TLocalFileName &ProjectDir)>
    LoadLinkList;
extern EntryPoint<void(IXMLElement *Link, IParams *Params)> SaveLinkParams;
// Empty when the link has no parameter with a name.
extern EntryPoint<ComPtr<IParams>(IXMLElement *Link)> LoadLinkParams;

// The job description file of a project directory (created when missing): the job's state,
// request and links. The old file is replaced only once the new one is whole on disk, and
// only then is the quick-save journal deleted.
extern EntryPoint<void(TJobState State, IJobRequest *Request, IILinkList *Links,
                       const TLocalFileName &ProjectDir)>
    SaveJobDescription;
// The root element "Job" of the project directory's job description file; empty when the
// file is missing, cannot be loaded or is no job description.
extern EntryPoint<ComPtr<IXMLElement>(const TLocalFileName &ProjectDir)> OpenJobDescription;
// The state a job description records; jsStopped when it names none. A job restores it
// unless it is jsRunning.
extern EntryPoint<TJobState(IXMLElement *Root)> LoadJobState;
// Writes a job list file holding the requests in order, creating its folder when missing;
// the old file is replaced only once the new one is whole on disk.
extern EntryPoint<void(const TLocalFileName &FileName,
                       const std::vector<ComPtr<IJobRequest>> &Requests)>
    SaveJobListFile;
// The "Job" elements of a job list file in document order, for LoadGetSiteJob; none when the
// document has no document element. EDataLoad when the file cannot be opened or its root is
// not "JobList".
extern EntryPoint<std::vector<ComPtr<IXMLElement>>(const TLocalFileName &FileName)> OpenJobListFile;

// ---------------------------------------------------------------------------------------
// Retrieval: transfer tools and the separated network process

// One transfer of one resource. The tool starts its work when it is created; Open waits for
// the first answer.
class IGetFileTool : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{1DA3A35C-4E7C-48BE-A1D8-650B92440F8A}");
  using Base = IUnknown;

  // Empty when not known.
  virtual HRESULT GetContentType(std::string *Value) = 0;
  // -1 when not known.
  virtual HRESULT GetSize(int32_t *Value) = 0;
  virtual HRESULT Open(bool *Found) = 0;
  // 0: nothing yet, ask again; -1: the end of the data.
  virtual HRESULT GetAvailable(int32_t *Value) = 0;
  virtual HRESULT Read(void *Buffer, int32_t Count, int32_t *Read) = 0;
  // Stops the transfer; later calls may fail.
  virtual HRESULT Abort() = 0;

protected:
  ~IGetFileTool() = default;
};

// The code and message of the calling thread's last failure of a tool; the code is returned
// directly, not as an HRESULT. Codes 1 to 5: bad URL, not found, server not found, user name
// and password refused, server error.
class IGetFileToolError : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{993FB7D9-CA75-4DA5-918E-37176DFDAA73}");
  using Base = IUnknown;

  virtual int32_t GetLastError(std::string *Message) = 0;

protected:
  ~IGetFileToolError() = default;
};

// Offered by a tool that can tell where redirects led: the URL its resource came from, empty
// when that is the URL it was asked for. Valid once Open has answered.
// A tool that can ask whether a resource changed since its copy: Conditions go before Open,
// which then finds the resource (Found) with NotModified set when the copy is current.
class IGetFileToolConditional : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{8E0C4A52-3F1B-4D6E-9A27-5C8B1E2F4D90}");
  using Base = IUnknown;

  virtual HRESULT SetConditions(const std::string &ETag, const std::string &LastModified) = 0;
  // After Open: whether the server said the copy is current, and the validators it sent.
  virtual HRESULT GetValidators(bool *NotModified, std::string *ETag,
                                std::string *LastModified) = 0;
  // After a failure: the seconds the server asked to wait before the resource is asked for
  // again (a 429 or 503 answer), 0 for a time past; -1 when it asked for no wait.
  virtual HRESULT GetRetryAfter(int32_t *Seconds) = 0;

protected:
  ~IGetFileToolConditional() = default;
};

class IGetFileToolLocation : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{3B5FBC45-D7EC-4E7C-98F1-C0E04D0888F1}");
  using Base = IUnknown;

  virtual HRESULT GetLocation(TURL *Value) = 0;

protected:
  ~IGetFileToolLocation() = default;
};

// The proxy of network transfers, kept in the custom values of section "Connection Proxy".
// Use: 0 the system's configuration, 1 direct, 2 the server Address with UserName and
// Password (only then are they read).
struct TProxyData {
  int32_t Use = 0;
  std::string Protocol; // always "http"
  std::string Address;
  std::string UserName;
  std::string Password;

  friend bool operator==(const TProxyData &, const TProxyData &) = default;
};

extern EntryPoint<TProxyData()> ReadProxyData;
extern EntryPoint<void(const TProxyData &Proxy)> WriteProxyData;

// A tool of the separated network process for "http", "https", "ftp" and "gopher" (exact,
// lower case); empty for any other scheme. Raises EWinInetConnector when the process cannot
// be reached.
extern EntryPoint<ComPtr<IGetFileTool>(const std::string &Scheme, const TURL &URL)>
    CreateWinInetTool;

// ---------------------------------------------------------------------------------------
// Retrieval: fetches, their progress and the choice of their tools

// One fetch of the get-file controller's pool: a link of a job, fetched by a worker thread.
class IKGetFileProcess : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{5E3959F2-1CA4-4043-AAE4-539306CAF433}");
  using Base = IUnknown;

  // Empty once the fetch has ended.
  virtual ComPtr<IIGetFileEvents> GetEvents() = 0;
  // Main thread: asks the fetch to stop; its link is given back to the job.
  virtual void Cancel() = 0;
  virtual std::string GetURL() = 0;
  virtual ComPtr<IIJobAsyncProvider> GetOwner() = 0;

protected:
  ~IKGetFileProcess() = default;
};

// Starts the fetch of LinkDesc (handed out at Level by the link list of Owner's job): the
// process registers with Controller before its worker thread runs.
extern EntryPoint<ComPtr<IKGetFileProcess>(IKGetFileController *Controller,
                                           IIJobAsyncProvider *Owner,
                                           const TLinkDescription &LinkDesc, int32_t Level)>
    CreateGetFileProcess;
// What one run of a job learns of the hosts it fetches from (what their robots.txt allows,
// the pause between fetches they ask for), for the run's fetches.
extern EntryPoint<ComPtr<IUnknown>()> CreateHostManners;
// The progress reports of a process, passed on to the front-end's display of the fetch.
extern EntryPoint<ComPtr<IIGetFileEvents>(IKGetFileProcess *Process)> CreateGetFileEvents;
// The display of one fetch in a front-end (a status bar indicator, a console line); Text
// names the fetch (its URL). Its methods are called in the main thread, in the order the
// fetch reported, and it is released there. Filled by the front-end; while it is unfilled,
// fetches are not shown.
extern EntryPoint<ComPtr<IIGetFileEvents>(const std::string &Text)> CreateGetFileEventsUI;

// An internet plug-in module for a scheme (role IID_IInetModule). SetProxy is a plain call.
class IInetModule : public IUnknown {
public:
  static constexpr GUID IID = IID_IInetModule;
  using Base = IUnknown;

  virtual void SetProxy(const TProxyData &Proxy) = 0;
  virtual HRESULT CreateTool(const std::string &Scheme, const TURL &URL, IGetFileTool **Tool) = 0;

protected:
  ~IInetModule() = default;
};

// An internet cache plug-in module (role IID_IInetCacheModule): an empty tool means that the
// cache does not hold the URL.
class IInetCacheModule : public IUnknown {
public:
  static constexpr GUID IID = IID_IInetCacheModule;
  using Base = IUnknown;

  virtual HRESULT GetTool(const TURL &URL, IGetFileTool **Tool) = 0;

protected:
  ~IInetCacheModule() = default;
};

// The tool that reads the resource of a URL: local files for "file", else the first cache
// module holding it, else the scheme's internet module, else the separated process. URL may
// be empty (it is then built from ParsedURL). Empty when nothing serves the scheme.
extern EntryPoint<ComPtr<IGetFileTool>(const TParsedURL &ParsedURL, const TURL &URL)> GetFileTool;
// Sends the current proxy data to every internet module used so far.
extern EntryPoint<void()> UpdateModulesProxy;

} // namespace zs
