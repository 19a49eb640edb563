#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "tests/links/link_list_test_support.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::Link;
using testing::TEnumerated;
using testing::TTestList;
using TURLs = std::vector<std::string>;

TEST(LinkList, SpellingsOfOneLinkFoldIntoOneEntryWhoseTypeTheStrongerOneGives) {
  const std::tuple<const char *, TLinkType, bool, TLinkType> cases[] = {
      {"HTTP://www.Host.COM:80/a//X.HTM#part", ltImage, true, ltImage},
      {"http://ann:pw@host.com/a/x.htm", ltUserEntered, true, ltUserEntered},
      {"http://host.com/a/x.htm", ltOther, true, ltAHref},
      {"http://host.com/A/x.htm", ltAHref, false, ltAHref},
      {"http://host.com:8080/a/x.htm", ltAHref, false, ltAHref},
      {"https://host.com/a/x.htm", ltAHref, false, ltAHref},
      {"http://host.com/a/x.htm?q=1", ltAHref, false, ltAHref},
  };
  for (const auto &[second, type, same, result] : cases) {
    TTestList list;
    list.Add("http://host.com/a/x.htm");
    list.Add(second, 0, lsPure, type);
    ASSERT_EQ(list.Events->Added.size(), 2u) << second;
    EXPECT_EQ(list.Events->Added[0].back() == list.Events->Added[1].back(), same) << second;
    EXPECT_EQ(list.Enumerated().size(), same ? 1u : 2u) << second;
    EXPECT_EQ(list.Enumerated().at(0).LinkType, result) << second;
  }
}

// Hosts that have their share of fetches are passed over for the links of others; a list of
// one host hands its links out all the same; a list with nothing to hand out hands out none.
TEST(LinkList, BusyHostsWaitWhileOtherHostsHaveLinks) {
  auto next = [](TTestList &list, const std::set<std::string> &busy) {
    TLinkDescription desc;
    int32_t level = 0;
    const bool found = list.Links->GetNextWanted(
        desc, level, [&](const std::string &host) { return busy.contains(host); });
    return found ? desc.URL : std::string("none");
  };
  TTestList one;
  EXPECT_EQ(next(one, {"http://a"}), "none");
  one.Add("http://a/1");
  EXPECT_EQ(next(one, {"http://a"}), "http://a/1");
  EXPECT_EQ(next(one, {"http://a"}), "none");
  TTestList two;
  for (const char *url : {"http://a/1", "http://a/2", "http://b/1"})
    two.Add(url);
  EXPECT_EQ(next(two, {"http://a"}), "http://b/1");
  EXPECT_EQ(next(two, {"http://a"}), "none");
  EXPECT_EQ(next(two, {"http://b"}), "http://a/1");
}

TEST(LinkList, HyperlinksLeadDownAndTheDepthLimitHoldsBackDeeperLinksUntilRaisedOrMetCloser) {
  TTestList list(2);
  const std::pair<const char *, TLinkType> found[] = {{"http://h/a", ltAHref},
                                                      {"http://h/b", ltOther},
                                                      {"http://h/c", ltImage},
                                                      {"http://h/d", ltFrame}};
  for (auto [url, type] : found)
    OleCheck(list.List->AddLink(Link(url, type), 2));
  OleCheck(list.List->AddLink(Link("http://h/e"), INT32_MAX));
  OleCheck(list.List->AddUserLink("http://h/f"));
  std::vector<int32_t> levels;
  for (const TEnumerated &link : list.Enumerated())
    levels.push_back(link.Level);
  EXPECT_EQ(levels, (std::vector<int32_t>{3, 3, 2, 2, INT32_MAX, 0}));
  EXPECT_EQ(list.Enumerated().back().LinkType, ltUserEntered);
  for (const std::string &url : list.HandOutAll())
    list.Links->CompleteLink(url, 1);
  EXPECT_EQ(list.Events->AllDoneCount, 1);
  list.Add("http://h/b", 1); // met again closer to the start
  list.Links->SetDownLevel(3);
  EXPECT_EQ(list.HandOutAll(), (TURLs{"http://h/a", "http://h/b"}));
  EXPECT_EQ(list.Enumerated()[1].Level, 1);
  list.Links->CompleteLink("http://h/a", 1);
  list.Links->CompleteLink("http://h/b", 0);
  EXPECT_EQ(list.Events->AllDoneCount, 2);
  list.Links->SetDownLevel(-1); // unlimited: e is left
  list.Links->SetDownLevel(-1); // unchanged: nothing recounted, nothing raised
  EXPECT_EQ(list.HandOutAll(), TURLs{"http://h/e"});
  EXPECT_EQ(list.Events->AllDoneCount, 2);
}

TEST(LinkList, HandsOutUserHostsFirstThenHostsByKeyWithFilesBeforeSubDirectories) {
  TTestList list;
  for (const char *url : {"http://b.org/z.htm", "http://a.org/sub/deeper/x.htm",
                          "http://a.org/sub/b.htm", "http://a.org/Z.htm", "http://a.org/a.htm",
                          "http://a.org/Sub/y.htm", "http://WWW.D.org:80/1"})
    list.Add(url);
  OleCheck(list.List->AddUserLink("http://c.org/"));
  OleCheck(list.List->AddUserLink("http://d.org/2")); // moves its known host to the front
  EXPECT_EQ(
      list.HandOutAll(),
      (TURLs{"http://c.org/", "http://WWW.D.org:80/1", "http://WWW.D.org:80/2",
             "http://a.org/a.htm", "http://a.org/Z.htm", "http://a.org/Sub/y.htm",
             "http://a.org/sub/b.htm", "http://a.org/sub/deeper/x.htm", "http://b.org/z.htm"}));
}

TEST(LinkList, AllDoneFiresOnceWhenNothingIsPendingWhateverArrivesTwice) {
  TTestList list;
  for (const char *url : {"http://h/a", "http://h/b", "http://h/c", "http://h/d"})
    list.Add(url);
  TLinkDescription desc;
  int32_t level;
  ASSERT_TRUE(list.Links->GetNextWanted(desc, level) && list.Links->GetNextWanted(desc, level));
  // c was never handed out.
  const std::pair<const char *, uint8_t> outcomes[] = {
      {"http://h/a", 0}, {"http://h/a", 1}, {"http://h/unknown", 1}, {"mailto:ann@h", 1},
      {"http://h/b", 1}, {"http://h/b", 0}, {"http://h/c", 0}};
  for (auto [url, outcome] : outcomes)
    list.Links->CompleteLink(url, outcome);
  list.Add("http://h/a", 0, lsPure, ltImage); // a pure add never reopens a finished link
  EXPECT_EQ(list.Events->Added.size(), 4u);
  EXPECT_EQ(list.Enumerated()[0], (TEnumerated{"http://h/a", ltAHref, "", {}, 0, lsCompleteBad}));
  EXPECT_EQ(list.HandOutAll(), TURLs{"http://h/d"});
  list.Links->CompleteLink("http://h/d", 2); // back to waiting
  EXPECT_THROW(list.Links->CompleteLink("http://h/d", 4), platform::Exception);
  EXPECT_EQ(list.HandOutAll(), TURLs{"http://h/d"});
  EXPECT_EQ(list.Events->AllDoneCount, 0);
  list.Links->CompleteLink("http://h/d", 1);
  list.Links->CompleteLink("http://h/d", 1);
  EXPECT_EQ(list.Events->AllDoneCount, 1);
  EXPECT_TRUE(list.HandOutAll().empty());
  EXPECT_EQ(list.Events->AllDoneCount, 2);
  list.Add("http://h/a", 0, lsCompleteOK); // an explicit final state applies, as on loading
  EXPECT_EQ(list.Enumerated()[0].State, lsCompleteOK);
}

TEST(LinkList, CancelGivesAHandedOutLinkBackAndRetryPutsFailedOnesBack) {
  TTestList list;
  list.Add("http://h/ok");
  list.Add("http://h/bad");
  list.Add("http://h/rejected", 0, lsRejected);
  EXPECT_EQ(list.HandOutAll().size(), 2u);
  list.Links->CancelLink("http://h/ok");
  list.Links->CompleteLink("http://h/bad", 0);
  list.Links->CancelLink("http://h/bad"); // only a running link goes back
  list.Links->CancelLink("http://h/ok");  // already waiting: nothing happens
  EXPECT_EQ(list.Events->Changed.back().second, lsCompleteBad);
  EXPECT_EQ(list.HandOutAll(), TURLs{"http://h/ok"});
  list.Links->CompleteLink("http://h/ok", 1);
  list.Events->Changed.clear();
  EXPECT_TRUE(list.Links->Retry());
  EXPECT_EQ(list.Events->Changed,
            (decltype(list.Events->Changed){{list.Events->Added[1], lsPure}}));
  EXPECT_EQ(list.HandOutAll(), TURLs{"http://h/bad"});
  list.Links->CompleteLink("http://h/bad", 1);
  EXPECT_FALSE(list.Links->Retry());
  EXPECT_EQ(list.Events->AllDoneCount, 2);
}

TEST(LinkList, NewListRaisesNothingAndUnparsableOrInvalidLinksAreNotAdded) {
  TTestList list(5);
  EXPECT_EQ(list.Events->AllDoneCount, 0);
  list.Add("mailto:ann@h");
  list.Add("http://ho_st/");
  EXPECT_THROW(list.Links->AddLinkEx(Link("http://h/"), 0, TLinkState(7)), platform::Exception);
  EXPECT_THROW(list.Add("http://h/", 0, lsPure, TLinkType(10)), platform::Exception);
  EXPECT_TRUE(list.Events->Added.empty());
  EXPECT_FALSE(list.View->HasChildren(nullptr));
}

TEST(LinkList, EnumerationAndViewShowTheTreeInOrderWithWhatEachLinkCarries) {
  TTestList list;
  list.Links->AddLinkEx(Link("http://www.h.org:8080/x?q=1", ltImage, "img", {{"alt", "A"}}), 2,
                        lsPure);
  list.Links->AddLinkEx(Link("http://h.org:8080/d/y.htm", ltAHref, "a"), 1, lsCompleteOK);
  list.Add("http://h.org:8080/C/", 1);
  EXPECT_EQ(list.Enumerated(),
            (std::vector<TEnumerated>{
                {"http://www.h.org:8080/C/", ltAHref, "", {}, 1, lsPure},
                {"http://www.h.org:8080/d/y.htm", ltAHref, "a", {}, 1, lsCompleteOK},
                {"http://www.h.org:8080/x?q=1", ltImage, "img", {{"alt", "A"}}, 2, lsPure},
            }));

  using TChild = std::tuple<TLinkEntry *, TLinkEntryKind, std::string>;
  auto children = [&](TLinkEntry *node) {
    std::vector<TChild> found;
    list.View->ForEach(node, [&](TLinkEntry *entry, TLinkEntryKind kind, const std::string &name) {
      found.emplace_back(entry, kind, name);
    });
    return found;
  };
  TLinkEntry *host = list.Events->Added[0].front();
  TLinkEntry *file = list.Events->Added[0].back();
  TLinkEntry *dir = list.Events->Added[1][1];
  EXPECT_EQ(children(nullptr), (std::vector<TChild>{{host, lekHost, "http://www.h.org:8080"}}));
  EXPECT_EQ(children(host), (std::vector<TChild>{{list.Events->Added[2][1], lekDirectory, "C"},
                                                 {dir, lekDirectory, "d"},
                                                 {file, lekFile, "x?q=1"}}));
  EXPECT_TRUE(list.View->HasChildren(dir) && !list.View->HasChildren(file));
  EXPECT_THROW(list.View->GetState(dir), platform::Exception);
  EXPECT_TRUE(list.Links->IsPureEntry(file) && !list.Links->IsPureEntry(dir));
  for (int i = 0; i < 2000; ++i) // entries stay where they are as the list grows
    list.Add("http://h.org:8080/n" + std::to_string(i));
  EXPECT_EQ(list.View->GetName(file), "x?q=1");
}

} // namespace
} // namespace zs
