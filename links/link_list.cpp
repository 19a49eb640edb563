#include "links/link_list.h"

#include <climits>
#include <exception>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "links/link_journal.h"
#include "links/link_tree.h"
#include "links/url_operations.h"
#include "links/url_settings.h"
#include "platform/safecall.h"

namespace zs::links {

namespace {

using platform::OleCheck;
using platform::SafeCall;

bool isComplete(TLinkState state) {
  return state == lsCompleteOK || state == lsCompleteBad || state == lsRejected;
}

// Whether a link met again as `met` takes that type over `held`.
bool replacesType(TLinkType held, TLinkType met) {
  if (met == ltOther) return false;
  switch (held) {
  case ltUserEntered:
  case ltImage:
  case ltScript:
  case ltStylesheet: return false;
  case ltAHref: return met != ltFormAction;
  case ltFrame: return met != ltAHref && met != ltFormAction && met != ltEmbedded;
  case ltEmbedded: return met != ltAHref;
  default: return true;
  }
}

// Hyperlinks lead one level down; what a page embeds belongs to the page's own level, so a
// page at the deepest level still comes with its images, frames and style sheets.
int32_t levelOf(TLinkType type, int32_t currentLevel) {
  bool deeper = type == ltAHref || type == ltOther;
  return deeper && currentLevel < INT32_MAX ? currentLevel + 1 : currentLevel;
}

void checkLink(TLinkType type, TLinkState state) {
  if (type < ltUserEntered || type > ltOther)
    throw platform::Exception("Invalid link type " + std::to_string(type));
  if (state < lsPure || state > lsRejected)
    throw platform::Exception("Invalid link state " + std::to_string(state));
}

// An empty container says no more than none, and would cost an object per link.
ComPtr<IParams> paramsWorthKeeping(const ComPtr<IParams> &params) {
  int32_t count = 0;
  if (params) OleCheck(params->get_NamesCount(&count));
  return count > 0 ? params : nullptr;
}

constexpr TLinkState outcomeStates[] = {lsCompleteBad, lsCompleteOK, lsPure, lsInUse};

class TLinkList final : public platform::TComObject<IILinkList, IILinkListView> {
public:
  TLinkList(IILinkListEvents *events, int32_t downLevel)
      // A new list holds nothing to re-judge and its owner is still being built: the level
      // is taken as it is, without the recount and AllDone of SetDownLevel.
      : events_(events), downLevel_(downLevel == -1 ? INT32_MAX : downLevel) {}

  HRESULT AddUserLink(const TURL &URL) override {
    return SafeCall([&] {
      TLinkDescription desc;
      desc.URL = URL;
      desc.LinkType = ltUserEntered;
      add(desc, 0, lsPure);
    });
  }

  HRESULT AddLink(const TLinkDescription &LinkDesc, int32_t CurrentLevel) override {
    return SafeCall([&] { add(LinkDesc, levelOf(LinkDesc.LinkType, CurrentLevel), lsPure); });
  }

  void AddLinkEx(const TLinkDescription &LinkDesc, int32_t Level, TLinkState State) override {
    add(LinkDesc, Level, State);
  }

  bool GetNextWanted(TLinkDescription &LinkDesc, int32_t &Level,
                     const THostBusy &HostBusy) override;
  void CompleteLink(const std::string &URL, uint8_t Outcome, const TFetchOutcome *Fetch) override;
  void CancelLink(const std::string &URL) override;
  bool Retry() override;
  bool Refresh() override;
  TRefreshCounts RefreshCounts() const override { return refreshCounts_; }
  void SetDownLevel(int32_t Level) override;
  void LoadJournal() override;
  void SetJournalFile(const std::string &FileName) override;
  void EnumerateLinks(const TEnumerateLinksCallback &Callback) override;
  bool IsPureEntry(TLinkEntry *Entry) override;

  void ForEach(TLinkEntry *Node, const TLinkViewCallback &Callback) override;
  bool HasChildren(TLinkEntry *Node) override;
  TLinkState GetState(TLinkEntry *FileEntry) override;
  std::string GetName(TLinkEntry *Entry) override;
  std::string GetDisplayName(TLinkEntry *Entry, bool IsDirectory) override;

private:
  void add(const TLinkDescription &desc, int32_t level, TLinkState state);
  TFileEntry *find(const std::string &url, TEntryList &path);
  // Whether the entry's tag and parameters are these already.
  static bool holdsAddInfo(const TFileEntry &file, const std::string &tag,
                           const ComPtr<IParams> &params);
  void setAddInfo(TFileEntry &file, const std::string &tag, ComPtr<IParams> params);
  TLinkDescription descriptionOf(const TEntryList &path, const TFileEntry &file) const;

  bool withinDepth(const TFileEntry &file) const { return file.Level <= downLevel_; }
  bool isPending(const TFileEntry &file) const {
    return withinDepth(file) && (file.State() == lsPure || file.State() == lsInUse);
  }
  // Brings the count and the tree's wanted marks up to date after the file changed.
  void settle(const TEntryList &path, TFileEntry &file, bool wasPending);
  // Which finished links wait again.
  enum class TReset { None, Failed, Finished };
  void recount(TReset reset);
  void count(const TFileEntry &file, const TFetchOutcome &fetch);

  // The journal's error, if any, to be raised once the owner has heard of the change: the
  // list holds the change whether or not the disk took its record.
  std::exception_ptr appendToJournal(const TLinkDescription &desc, int32_t level, TLinkState state);
  void raiseAllDone() {
    if (events_) events_->AllDone();
  }

  // The owner, which holds the list: a plain back reference, as a counted one would keep
  // both alive for ever.
  IILinkListEvents *const events_;
  int32_t downLevel_;
  // File entries within the depth limit that are lsPure or lsInUse; kept exact by every
  // change, so it answers whether anything is left without a walk.
  int32_t pendingCount_ = 0;
  TLinkTree tree_;
  std::unique_ptr<TLinkJournalWriter> journal_;
  // Every tag once; the entries point into it.
  std::unordered_set<std::string> tags_;
  // The links handed out and not given back yet, by the URL handed out: an outcome names its
  // link by that URL, and finding it here spares parsing it again.
  std::unordered_map<std::string, TEntryList> handedOut_;
  // The settings that decide a link's identity (ignored prefixes, default ports), read once:
  // the tree's keys must not change meaning while the list lives.
  TURLSettings settings_;
  TRefreshCounts refreshCounts_;
  // The link being added; members so that their buffers are reused from link to link.
  TParsedURL url_;
  std::string displayName_;
};

void TLinkList::add(const TLinkDescription &desc, int32_t level, TLinkState state) {
  checkLink(desc.LinkType, state);
  ComPtr<IParams> params = paramsWorthKeeping(desc.Params);
  if (!Parse(desc.URL, url_, false, settings_)) return;
  // How the URL wrote its host, before simplifying drops the prefix and fills the port.
  displayName_ = url_.Sheme;
  displayName_ += "://";
  if (!url_.Prefix.empty()) {
    displayName_ += url_.Prefix;
    displayName_ += '.';
  }
  displayName_ += url_.Domain;
  if (!url_.Port.empty()) {
    displayName_ += ':';
    displayName_ += url_.Port;
  }
  Simplify(url_, settings_);
  url_.FileName += url_.Query;

  TEntryList path;
  auto [file, created] = tree_.FindOrAdd(url_, desc.LinkType == ltUserEntered, displayName_, path);
  bool wasPending = false;
  bool changed = true;
  if (created) {
    file->SetLinkType(desc.LinkType);
    file->Level = level;
    file->SetState(state);
    if (desc.Validators) file->Validators = std::make_unique<const TValidators>(*desc.Validators);
  } else {
    // A pure add never reopens a finished link.
    if (isComplete(file->State()) && (state == lsPure || state == lsInUse)) return;
    wasPending = isPending(*file);
    changed =
        (desc.LinkType != file->LinkType() && replacesType(file->LinkType(), desc.LinkType)) ||
        (state != lsPure && state != file->State()) || level < file->Level ||
        !holdsAddInfo(*file, desc.Tag, params);
    // The links of pages never carry validators; a saved list or a replay does.
    if (desc.Validators) {
      changed = changed || !file->Validators || *file->Validators != *desc.Validators;
      file->Validators = std::make_unique<const TValidators>(*desc.Validators);
    }
    if (replacesType(file->LinkType(), desc.LinkType)) file->SetLinkType(desc.LinkType);
    if (state != lsPure) file->SetState(state);
    if (level < file->Level) file->Level = level;
  }
  settle(path, *file, wasPending);
  setAddInfo(*file, desc.Tag, std::move(params));
  // A link met again as it was changes nothing that a replay would restore: on a site
  // whose pages link to each other, most links are such, and need no record.
  std::exception_ptr journalError = changed ? appendToJournal(desc, level, state) : nullptr;
  if (events_) events_->LinkAdded(path, desc);
  if (journalError) std::rethrow_exception(journalError);
}

bool TLinkList::holdsAddInfo(const TFileEntry &file, const std::string &tag,
                             const ComPtr<IParams> &params) {
  return !params && !file.Params && (tag.empty() ? !file.Tag : file.Tag && *file.Tag == tag);
}

void TLinkList::setAddInfo(TFileEntry &file, const std::string &tag, ComPtr<IParams> params) {
  if (tag.empty()) {
    file.Tag = nullptr;
  } else {
    auto shared = tags_.find(tag);
    if (shared == tags_.end()) shared = tags_.insert(tag).first;
    file.Tag = &*shared;
  }
  file.Params = std::move(params);
}

TLinkDescription TLinkList::descriptionOf(const TEntryList &path, const TFileEntry &file) const {
  TLinkDescription desc;
  desc.URL = TLinkTree::URLOf(path);
  desc.LinkType = file.LinkType();
  if (file.Tag) desc.Tag = *file.Tag;
  desc.Params = file.Params;
  if (file.Validators) desc.Validators = std::make_shared<const TValidators>(*file.Validators);
  return desc;
}

void TLinkList::settle(const TEntryList &path, TFileEntry &file, bool wasPending) {
  pendingCount_ += int32_t(isPending(file)) - int32_t(wasPending);
  tree_.SetWanted(path, withinDepth(file) && file.State() == lsPure);
}

std::exception_ptr TLinkList::appendToJournal(const TLinkDescription &desc, int32_t level,
                                              TLinkState state) {
  if (!journal_) return nullptr;
  try {
    journal_->Append(desc, level, state);
    return nullptr;
  } catch (...) {
    return std::current_exception();
  }
}

TFileEntry *TLinkList::find(const std::string &url, TEntryList &path) {
  if (auto out = handedOut_.find(url); out != handedOut_.end()) {
    path = std::move(out->second);
    handedOut_.erase(out);
    return static_cast<TFileEntry *>(path.back());
  }
  if (!Parse(url, url_, true, settings_)) return nullptr;
  url_.FileName += url_.Query;
  return tree_.Find(url_, path);
}

bool TLinkList::GetNextWanted(TLinkDescription &LinkDesc, int32_t &Level,
                              const THostBusy &HostBusy) {
  TEntryList path;
  TFileEntry *file = tree_.FirstWanted(path, HostBusy);
  if (!file) {
    // Nothing waits; unless a fetch is still running, the job is done.
    if (pendingCount_ == 0) raiseAllDone();
    return false;
  }
  file->SetState(lsInUse);
  settle(path, *file, true);
  LinkDesc = descriptionOf(path, *file);
  Level = file->Level;
  handedOut_[LinkDesc.URL] = path;
  if (events_) events_->StateChanged(path, lsInUse);
  return true;
}

void TLinkList::CompleteLink(const std::string &URL, uint8_t Outcome, const TFetchOutcome *Fetch) {
  if (Outcome >= std::size(outcomeStates))
    throw platform::Exception("Invalid link outcome " + std::to_string(Outcome));
  TLinkState state = outcomeStates[Outcome];
  TEntryList path;
  TFileEntry *file = find(URL, path);
  if (!file) return;
  // An outcome that arrives twice is the same outcome: counting it again would finish the
  // job while links still wait.
  if (isComplete(file->State()) && isComplete(state)) return;
  bool wasPending = isPending(*file);
  if (Fetch) {
    count(*file, *Fetch);
    if (Fetch->Validators && state == lsCompleteOK)
      file->Validators = std::make_unique<const TValidators>(*Fetch->Validators);
  }
  file->SetState(state);
  settle(path, *file, wasPending);
  std::exception_ptr journalError =
      journal_ ? appendToJournal(descriptionOf(path, *file), file->Level, state) : nullptr;
  if (events_) events_->StateChanged(path, state);
  if (wasPending && pendingCount_ == 0) raiseAllDone();
  if (journalError) std::rethrow_exception(journalError);
}

void TLinkList::CancelLink(const std::string &URL) {
  TEntryList path;
  TFileEntry *file = find(URL, path);
  if (!file || file->State() != lsInUse) return;
  file->SetState(lsPure);
  settle(path, *file, true);
  if (events_) events_->StateChanged(path, lsPure);
}

// A link that held validators had a copy before this fetch.
void TLinkList::count(const TFileEntry &file, const TFetchOutcome &fetch) {
  if (fetch.Unchanged)
    ++refreshCounts_.Unchanged;
  else if (fetch.Gone)
    ++refreshCounts_.Gone;
  else if (fetch.Success)
    ++(file.Validators ? refreshCounts_.Changed : refreshCounts_.New);
}

void TLinkList::recount(TReset resetting) {
  pendingCount_ = 0;
  // The owner hears of reset links once the count is whole again, as it may call back.
  std::vector<TEntryList> reset;
  tree_.ForEachFile(TLinkTree::TWalkOrder::FilesFirst, [&](const TEntryList &path,
                                                           TFileEntry &file) {
    const bool failed = file.State() == lsCompleteBad;
    const bool finished = failed || file.State() == lsCompleteOK;
    if ((resetting == TReset::Failed && failed) || (resetting == TReset::Finished && finished)) {
      file.SetState(lsPure);
      reset.push_back(path);
    }
    settle(path, file, false);
  });
  if (events_)
    for (const TEntryList &path : reset)
      events_->StateChanged(path, lsPure);
}

bool TLinkList::Retry() {
  recount(TReset::Failed);
  return pendingCount_ > 0;
}

bool TLinkList::Refresh() {
  refreshCounts_ = {};
  recount(TReset::Finished);
  return pendingCount_ > 0;
}

void TLinkList::SetDownLevel(int32_t Level) {
  if (Level == -1) Level = INT32_MAX;
  if (Level == downLevel_) return;
  downLevel_ = Level;
  recount(TReset::None);
  if (pendingCount_ == 0) raiseAllDone();
}

void TLinkList::LoadJournal() {
  if (!journal_) return;
  std::string fileName = journal_->FileName();
  std::error_code error;
  if (!std::filesystem::exists(fileName, error)) return;
  // The replay adds links; it must not append them to the file it reads.
  journal_.reset();
  ReadLinkJournal(fileName, [this](const TJournalRecord &record) {
    add(record.LinkDesc, record.Level, record.State);
  });
}

void TLinkList::SetJournalFile(const std::string &FileName) {
  if (FileName.empty())
    journal_.reset();
  else if (!journal_ || journal_->FileName() != FileName)
    journal_ = std::make_unique<TLinkJournalWriter>(FileName);
}

void TLinkList::EnumerateLinks(const TEnumerateLinksCallback &Callback) {
  tree_.ForEachFile(TLinkTree::TWalkOrder::SubDirsFirst,
                    [&](const TEntryList &path, TFileEntry &file) {
                      Callback(descriptionOf(path, file), file.Level, file.State());
                    });
}

const TFileEntry *asFile(const TLinkEntry *entry) {
  return entry && entry->Kind == TLinkEntry::TKind::File ? static_cast<const TFileEntry *>(entry)
                                                         : nullptr;
}

bool TLinkList::IsPureEntry(TLinkEntry *Entry) {
  const TFileEntry *file = asFile(Entry);
  return file && file->State() == lsPure;
}

void TLinkList::ForEach(TLinkEntry *Node, const TLinkViewCallback &Callback) {
  if (!Node) {
    for (const auto &host : tree_.Hosts())
      Callback(host.get(), lekHost, host->DisplayName);
    return;
  }
  if (Node->Kind == TLinkEntry::TKind::File) return;
  auto &dir = static_cast<TDirEntry &>(*Node);
  for (const auto &sub : dir.SubDirs)
    Callback(sub.get(), lekDirectory, sub->Name);
  for (const TFileEntry &file : dir.Files)
    Callback(&Mutable(file), lekFile, file.Name);
}

bool TLinkList::HasChildren(TLinkEntry *Node) {
  if (!Node) return !tree_.Hosts().empty();
  if (Node->Kind == TLinkEntry::TKind::File) return false;
  auto &dir = static_cast<TDirEntry &>(*Node);
  return !dir.SubDirs.empty() || !dir.Files.empty();
}

TLinkState TLinkList::GetState(TLinkEntry *FileEntry) {
  const TFileEntry *file = asFile(FileEntry);
  if (!file) throw platform::Exception("The entry is not a file entry");
  return file->State();
}

std::string TLinkList::GetName(TLinkEntry *Entry) { return Entry ? Entry->Name : std::string(); }

std::string TLinkList::GetDisplayName(TLinkEntry *Entry, bool /*IsDirectory*/) {
  // The entry knows whether it is a host, whatever the caller took it for.
  if (Entry && Entry->Kind == TLinkEntry::TKind::Host)
    return static_cast<TDomainEntry *>(Entry)->DisplayName;
  return GetName(Entry);
}

} // namespace

ComPtr<ILinkList> NewLinkList(IILinkListEvents *Events, int32_t DownLevel) {
  return platform::MakeCom<TLinkList>(Events, DownLevel);
}

} // namespace zs::links
