// What the link list and journal tests share: an owner that records the events, and a list
// reached through its interfaces whose links come out as comparable values.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "links/link_list.h"
#include "platform/safecall.h"
#include "tests/support/params_pairs.h"

namespace zs::testing {

class TRecordingEvents final : public platform::TComObject<IILinkListEvents> {
public:
  void AllDone() override { ++AllDoneCount; }
  void LinkAdded(const TEntryList &EntryPath, const TLinkDescription &) override {
    Added.push_back(EntryPath);
  }
  void StateChanged(const TEntryList &EntryPath, TLinkState NewState) override {
    Changed.emplace_back(EntryPath, NewState);
  }
  int AllDoneCount = 0;
  std::vector<TEntryList> Added;
  std::vector<std::pair<TEntryList, TLinkState>> Changed;
};

// A link as EnumerateLinks gives it.
struct TEnumerated {
  std::string URL;
  TLinkType LinkType;
  std::string Tag;
  TPairs Params;
  int32_t Level;
  TLinkState State;
  friend bool operator==(const TEnumerated &, const TEnumerated &) = default;
  friend std::ostream &operator<<(std::ostream &out, const TEnumerated &link) {
    return out << link.URL << " " << EnumName(link.LinkType) << " '" << link.Tag << "' "
               << link.Params.size() << " params, level " << link.Level << " "
               << EnumName(link.State);
  }
};

inline TLinkDescription Link(const std::string &url, TLinkType type = ltAHref,
                             const std::string &tag = "", const TPairs &params = {}) {
  TLinkDescription desc{url, type, tag, CreateParams()};
  for (const auto &[name, value] : params)
    platform::OleCheck(desc.Params->put_Value(name, value));
  return desc;
}

class TTestList {
public:
  explicit TTestList(int32_t downLevel = -1, const std::string &journal = "")
      : Events(platform::MakeCom<TRecordingEvents>()),
        List(links::NewLinkList(Events.get(), downLevel)), Links(List.As<IILinkList>()),
        View(List.As<IILinkListView>()) {
    if (!journal.empty()) Links->SetJournalFile(journal);
  }

  void Add(const std::string &url, int32_t level = 0, TLinkState state = lsPure,
           TLinkType type = ltAHref) {
    Links->AddLinkEx(Link(url, type), level, state);
  }
  // Hands out every wanted link; their URLs in the order given.
  std::vector<std::string> HandOutAll() {
    std::vector<std::string> urls;
    TLinkDescription desc;
    int32_t level = 0;
    while (Links->GetNextWanted(desc, level))
      urls.push_back(desc.URL);
    return urls;
  }
  std::vector<TEnumerated> Enumerated() {
    std::vector<TEnumerated> links;
    Links->EnumerateLinks([&](const TLinkDescription &desc, int32_t level, TLinkState state) {
      links.push_back(
          {desc.URL, desc.LinkType, desc.Tag, ParamsOf(desc.Params.get()), level, state});
    });
    return links;
  }

  ComPtr<TRecordingEvents> Events; // first, so that it outlives the list
  ComPtr<ILinkList> List;
  ComPtr<IILinkList> Links;
  ComPtr<IILinkListView> View;
};

} // namespace zs::testing
