// The tree of a link list: hosts, their directories, and the files in them, each level in
// its sorted order. Besides the entries, every host and directory keeps, in the same order,
// those of its children that lead to a wanted file (one that may be handed out now), so the
// next link to fetch is found by walking down one branch instead of over everything.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "kernel/interfaces.h"

namespace zs {

// An entry of the tree. Entries neither move nor go away while their list lives, so events
// and the user interface hold them by address.
class TLinkEntry {
public:
  enum class TKind : uint8_t { Host, Directory, File };

  TLinkEntry(TKind kind, std::string name) : Name(std::move(name)), Kind(kind) {}
  TLinkEntry(const TLinkEntry &) = delete;
  TLinkEntry &operator=(const TLinkEntry &) = delete;

  // A host's key, a directory's name, or a file's name with its query.
  std::string Name;
  const TKind Kind;
};

} // namespace zs

namespace zs::links {

class TDirEntry;
class TDomainEntry;
class TFileEntry;

// Compares ASCII letters without regard to case. Inline, and lowering only where the bytes
// differ: a big list spends most of its time here, comparing names with long common heads.
inline int CompareIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x == y) continue;
    int lx = lower(x), ly = lower(y);
    if (lx != ly) return lx < ly ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The orders of names. Hosts and files ignore case (two names that differ only in case are
// one entry); directories ignore case first and let case break ties, so they stay apart.
struct TCaseBlindOrder {
  static bool Less(std::string_view a, std::string_view b) { return CompareIgnoringCase(a, b) < 0; }
};
struct TDirectoryOrder {
  static bool Less(std::string_view a, std::string_view b) {
    int byLetters = CompareIgnoringCase(a, b);
    return byLetters != 0 ? byLetters < 0 : a < b;
  }
};

inline std::string_view nameOf(std::string_view name) { return name; }
inline std::string_view nameOf(const TLinkEntry &entry) { return entry.Name; }
inline std::string_view nameOf(const TLinkEntry *entry) { return entry->Name; }
template <class Entry> std::string_view nameOf(const std::unique_ptr<Entry> &entry) {
  return entry->Name;
}

// Compares entries, pointers to entries and plain names alike, so a name is looked up
// without building an entry.
template <class Order> struct TByName {
  using is_transparent = void;
  template <class A, class B> bool operator()(const A &a, const B &b) const {
    return Order::Less(nameOf(a), nameOf(b));
  }
};

class TFileEntry : public TLinkEntry {
public:
  TFileEntry(std::string name, int32_t level, TLinkType linkType, TLinkState state)
      : TLinkEntry(TKind::File, std::move(name)), linkType_(uint8_t(linkType)),
        state_(uint8_t(state)), Level(level) {}

  TLinkType LinkType() const { return TLinkType(linkType_); }
  void SetLinkType(TLinkType value) { linkType_ = uint8_t(value); }
  TLinkState State() const { return TLinkState(state_); }
  void SetState(TLinkState value) { state_ = uint8_t(value); }

private:
  friend class TLinkTree;
  // Bytes, not enumerations, so that they share the word after the name with Level.
  uint8_t linkType_;
  uint8_t state_;
  bool wanted_ = false; // in its directory's WantedFiles

public:
  int32_t Level;
  // The tag and parameters of the element the link came from; the tag is shared by all
  // entries of the list that carry it, nullptr for none. Params is empty for none.
  const std::string *Tag = nullptr;
  ComPtr<IParams> Params;
  // Of the last copy, once the link was copied.
  std::unique_ptr<const TValidators> Validators;
};

using TFiles = std::set<TFileEntry, TByName<TCaseBlindOrder>>;

// A file entry held by its directory's set. The set orders by Name alone, which never
// changes once the entry is in it, so the other fields may change in place.
inline TFileEntry &Mutable(const TFileEntry &file) { return const_cast<TFileEntry &>(file); }
using TDirs = std::set<std::unique_ptr<TDirEntry>, TByName<TDirectoryOrder>>;

// A directory; a host is one too, the top of its tree.
class TDirEntry : public TLinkEntry {
public:
  TDirEntry(TKind kind, std::string name) : TLinkEntry(kind, std::move(name)) {}

  TDirs SubDirs;
  TFiles Files;

private:
  friend class TLinkTree;
  bool holdsWanted() const { return !wantedFiles_.empty() || !wantedDirs_.empty(); }

  // The children that hold wanted files, in the order of SubDirs and Files.
  std::set<const TDirEntry *, TByName<TDirectoryOrder>> wantedDirs_;
  std::set<const TFileEntry *, TByName<TCaseBlindOrder>> wantedFiles_;
};

class TDomainEntry : public TDirEntry {
public:
  explicit TDomainEntry(std::string key) : TDirEntry(TKind::Host, std::move(key)) {}

  // How the first URL of the host wrote it: scheme, prefix, host name and port.
  std::string DisplayName;
};

using THosts = std::set<std::unique_ptr<TDomainEntry>, TByName<TCaseBlindOrder>>;

class TLinkTree {
public:
  // Finds the file entry of a simplified URL whose FileName holds the query, creating it
  // (State 255, for the caller to fill) with its host and directories when missing. A
  // user-entered link moves its host to the front. Path receives host ... file.
  std::pair<TFileEntry *, bool> FindOrAdd(const TParsedURL &url, bool userEntered,
                                          std::string_view displayName, TEntryList &path);
  // The file entry of a simplified URL, or nullptr; creates nothing.
  TFileEntry *Find(const TParsedURL &url, TEntryList &path);

  // Records whether the file at the end of the path is wanted.
  void SetWanted(const TEntryList &path, bool wanted);
  // The first wanted file in hand-out order (files of a directory before its
  // sub-directories), or nullptr.
  // Skipping the hosts that Busy names by their display names, when given, unless the tree
  // holds only one host: a site on one host has every fetch to itself.
  TFileEntry *FirstWanted(TEntryList &path,
                          const std::function<bool(const std::string &)> &Busy = nullptr) const;

  const THosts &Hosts() const { return hosts_; }
  // The URL of the file at the end of the path, rebuilt from the entries.
  static std::string URLOf(const TEntryList &path);

  enum class TWalkOrder { FilesFirst, SubDirsFirst };
  // Calls visit(path, file) for every file: hosts in key order, within each host or
  // directory its files and its sub-directories (each fully) in the order given.
  template <class Visit> void ForEachFile(TWalkOrder order, Visit &&visit) {
    TEntryList path;
    for (const auto &host : hosts_)
      walk(*host, order, path, visit);
  }

private:
  THosts::iterator findHost();
  TDomainEntry &findOrAddHost(const TParsedURL &url, bool userEntered,
                              std::string_view displayName);
  void makeHostFirst(THosts::iterator host);
  void buildKeyTail(const TParsedURL &url);

  template <class Visit>
  static void walk(TDirEntry &dir, TWalkOrder order, TEntryList &path, Visit &visit) {
    path.push_back(&dir);
    if (order == TWalkOrder::SubDirsFirst)
      for (const auto &sub : dir.SubDirs)
        walk(*sub, order, path, visit);
    for (const TFileEntry &file : dir.Files) {
      TFileEntry &entry = Mutable(file);
      path.push_back(&entry);
      visit(static_cast<const TEntryList &>(path), entry);
      path.pop_back();
    }
    if (order == TWalkOrder::FilesFirst)
      for (const auto &sub : dir.SubDirs)
        walk(*sub, order, path, visit);
    path.pop_back();
  }

  THosts hosts_;
  std::set<const TDomainEntry *, TByName<TCaseBlindOrder>> wantedHosts_;
  // The key being looked up; a member so that its buffer is reused from link to link.
  std::string key_;
  // The host and directories of each host and path written as it was met: a site has few
  // folders and many links into each, so a link's folder is found at once, not by walking
  // down the tree. Entries never go away, so what is kept stays true.
  std::unordered_map<std::string, TEntryList> folders_;
  std::string folderKey_; // reused like key_
};

} // namespace zs::links
