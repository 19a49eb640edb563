#include "links/link_tree.h"

namespace zs::links {

// A file entry is the one object per link; keep it to the name and one pointer-sized word
// of small fields, the tag, the parameters and the validators.
static_assert(sizeof(TFileEntry) <= sizeof(std::string) + 4 * sizeof(void *));

namespace {

// Paths are short: room for a host and a few directories at once, instead of growing.
void startPath(TEntryList &path) {
  path.clear();
  path.reserve(8);
}

// The non-empty segments of a path, in order.
template <class Visit> void forEachSegment(std::string_view path, Visit &&visit) {
  while (!path.empty()) {
    size_t slash = path.find('/');
    std::string_view segment = path.substr(0, slash);
    if (!segment.empty()) visit(segment);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
}

} // namespace

void TLinkTree::buildKeyTail(const TParsedURL &url) {
  // The priority character comes first and is set by the lookup.
  key_.assign(1, '2');
  key_ += url.Prefix;
  key_ += ' ';
  key_ += url.Sheme;
  key_ += ' ';
  key_ += url.Port;
  key_ += ' ';
  key_ += url.Domain;
}

THosts::iterator TLinkTree::findHost() {
  // A host is one host whatever its priority: try both.
  key_[0] = '1';
  if (auto found = hosts_.find(std::string_view(key_)); found != hosts_.end()) return found;
  key_[0] = '2';
  return hosts_.find(std::string_view(key_));
}

void TLinkTree::makeHostFirst(THosts::iterator host) {
  const TDomainEntry *entry = host->get();
  bool wanted = wantedHosts_.erase(entry) > 0;
  // The node keeps the entry where it is; only its place in the order changes.
  auto node = hosts_.extract(host);
  node.value()->Name[0] = '1';
  hosts_.insert(std::move(node));
  if (wanted) wantedHosts_.insert(entry);
}

TDomainEntry &TLinkTree::findOrAddHost(const TParsedURL &url, bool userEntered,
                                       std::string_view displayName) {
  buildKeyTail(url);
  auto host = findHost();
  if (host == hosts_.end()) {
    key_[0] = userEntered ? '1' : '2';
    host = hosts_.insert(std::make_unique<TDomainEntry>(key_)).first;
  } else if (userEntered && (*host)->Name[0] == '2') {
    makeHostFirst(host);
  }
  TDomainEntry &entry = **host;
  if (entry.DisplayName.empty()) entry.DisplayName = displayName;
  return entry;
}

std::pair<TFileEntry *, bool> TLinkTree::FindOrAdd(const TParsedURL &url, bool userEntered,
                                                   std::string_view displayName, TEntryList &path) {
  startPath(path);
  buildKeyTail(url);
  folderKey_.assign(key_, 1);
  folderKey_ += '\n';
  folderKey_ += url.Path;
  // A link of the user may move its host to the front: that takes the walk.
  auto known = userEntered ? folders_.end() : folders_.find(folderKey_);
  if (known != folders_.end()) {
    path = known->second;
    auto &host = static_cast<TDomainEntry &>(*path.front());
    if (host.DisplayName.empty()) host.DisplayName = displayName;
  } else {
    TDirEntry *dir = &findOrAddHost(url, userEntered, displayName);
    path.push_back(dir);
    forEachSegment(url.Path, [&](std::string_view name) {
      auto sub = dir->SubDirs.lower_bound(name);
      if (sub == dir->SubDirs.end() || TDirectoryOrder::Less(name, (*sub)->Name))
        sub = dir->SubDirs.emplace_hint(
            sub, std::make_unique<TDirEntry>(TLinkEntry::TKind::Directory, std::string(name)));
      dir = sub->get();
      path.push_back(dir);
    });
    folders_.try_emplace(folderKey_, path);
  }
  auto *dir = static_cast<TDirEntry *>(path.back());
  const std::string &name = url.FileName;
  auto file = dir->Files.lower_bound(std::string_view(name));
  bool created = file == dir->Files.end() || TCaseBlindOrder::Less(name, file->Name);
  if (created) file = dir->Files.emplace_hint(file, name, 0, ltOther, TLinkState(255));
  TFileEntry &entry = Mutable(*file);
  path.push_back(&entry);
  return {&entry, created};
}

TFileEntry *TLinkTree::Find(const TParsedURL &url, TEntryList &path) {
  startPath(path);
  buildKeyTail(url);
  auto host = findHost();
  if (host == hosts_.end()) return nullptr;
  TDirEntry *dir = host->get();
  path.push_back(dir);
  bool missing = false;
  forEachSegment(url.Path, [&](std::string_view name) {
    if (missing) return;
    auto sub = dir->SubDirs.find(name);
    if (sub == dir->SubDirs.end()) {
      missing = true;
      return;
    }
    dir = sub->get();
    path.push_back(dir);
  });
  if (missing) return nullptr;
  auto file = dir->Files.find(std::string_view(url.FileName));
  if (file == dir->Files.end()) return nullptr;
  TFileEntry &entry = Mutable(*file);
  path.push_back(&entry);
  return &entry;
}

void TLinkTree::SetWanted(const TEntryList &path, bool wanted) {
  auto &file = static_cast<TFileEntry &>(*path.back());
  if (file.wanted_ == wanted) return;
  file.wanted_ = wanted;
  // Tell each ancestor in turn, as long as whether it holds a wanted file changes.
  size_t level = path.size() - 2;
  auto *dir = static_cast<TDirEntry *>(path[level]);
  bool held = dir->holdsWanted();
  if (wanted)
    dir->wantedFiles_.insert(&file);
  else
    dir->wantedFiles_.erase(&file);
  while (held != dir->holdsWanted()) {
    if (level == 0) {
      auto *host = static_cast<const TDomainEntry *>(dir);
      if (wanted)
        wantedHosts_.insert(host);
      else
        wantedHosts_.erase(host);
      return;
    }
    auto *parent = static_cast<TDirEntry *>(path[--level]);
    held = parent->holdsWanted();
    if (wanted)
      parent->wantedDirs_.insert(dir);
    else
      parent->wantedDirs_.erase(dir);
    dir = parent;
  }
}

TFileEntry *TLinkTree::FirstWanted(TEntryList &path,
                                   const std::function<bool(const std::string &)> &Busy) const {
  startPath(path);
  if (wantedHosts_.empty()) return nullptr;
  auto host = wantedHosts_.begin();
  while (host != wantedHosts_.end() && Busy && Busy((*host)->DisplayName))
    ++host;
  if (host == wantedHosts_.end()) {
    if (Hosts().size() != 1) return nullptr;
    host = wantedHosts_.begin();
  }
  const TDirEntry *dir = *host;
  path.push_back(const_cast<TDirEntry *>(dir));
  while (dir->wantedFiles_.empty()) {
    dir = *dir->wantedDirs_.begin();
    path.push_back(const_cast<TDirEntry *>(dir));
  }
  TFileEntry &file = Mutable(**dir->wantedFiles_.begin());
  path.push_back(&file);
  return &file;
}

std::string TLinkTree::URLOf(const TEntryList &path) {
  std::string url = static_cast<const TDomainEntry &>(*path.front()).DisplayName;
  url += '/';
  for (size_t i = 1; i + 1 < path.size(); ++i) {
    url += path[i]->Name;
    url += '/';
  }
  url += path.back()->Name;
  return url;
}

} // namespace zs::links
