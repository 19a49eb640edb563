// Replays any bytes as a link journal into a fresh link list. The replay must neither crash
// nor hang, and every link it reports added must be in the list: once in EnumerateLinks,
// once in the tree view, with a valid type and state.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "links/link_list.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace zs;

// A private folder for the journal and the settings hives, removed at exit.
class TScratch {
public:
  std::string Journal() const { return (folder_.Path() / "#Sumbra.&jq").string(); }

private:
  testing::TScratchFolder folder_{"link-journal-fuzz"};
};

class TAddedFiles final : public platform::TComObject<IILinkListEvents> {
public:
  void AllDone() override {}
  void LinkAdded(const TEntryList &EntryPath, const TLinkDescription &) override {
    Files.insert(EntryPath.back());
  }
  void StateChanged(const TEntryList &, TLinkState) override {}
  std::set<TLinkEntry *> Files;
};

void require(bool condition) {
  if (!condition) std::abort();
}

// The files below a node of the tree view.
void collectFiles(IILinkListView &view, TLinkEntry *node, std::set<TLinkEntry *> &files) {
  view.ForEach(node, [&](TLinkEntry *entry, TLinkEntryKind kind, const std::string &) {
    if (kind == lekFile) {
      require(files.insert(entry).second);
      require(view.GetState(entry) >= lsPure && view.GetState(entry) <= lsRejected);
    } else {
      collectFiles(view, entry, files);
    }
  });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static TScratch scratch;
  {
    std::ofstream file(scratch.Journal(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(data), std::streamsize(size));
  }
  auto added = platform::MakeCom<TAddedFiles>();
  {
    ComPtr<ILinkList> list = links::NewLinkList(added.get(), -1);
    auto links = list.As<IILinkList>();
    links->SetJournalFile(scratch.Journal());
    links->LoadJournal();

    size_t enumerated = 0;
    links->EnumerateLinks([&](const TLinkDescription &desc, int32_t, TLinkState state) {
      require(!desc.URL.empty());
      require(desc.LinkType >= ltUserEntered && desc.LinkType <= ltOther);
      require(state >= lsPure && state <= lsRejected && state != lsInUse);
      ++enumerated;
    });
    std::set<TLinkEntry *> viewed;
    collectFiles(*list.As<IILinkListView>(), nullptr, viewed);
    require(enumerated == added->Files.size() && viewed == added->Files);
  }
  return 0;
}
