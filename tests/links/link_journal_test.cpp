#include "links/link_journal.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>

#include "tests/links/link_list_test_support.h"
#include "tests/support/test_environment.h"

namespace zs {
namespace {

using platform::OleCheck;
using testing::Link;
using testing::ParamsOf;
using testing::ReadFile;
using testing::TempDir;
using testing::TEnumerated;
using testing::TPairs;
using testing::TTestList;
using testing::WriteFile;

// The links a fresh list holds after replaying the file.
std::vector<TEnumerated> replayed(const std::string &fileName) {
  TTestList list(-1, fileName);
  list.Links->LoadJournal();
  return list.Enumerated();
}

std::string recordText(const TLinkDescription &desc, int32_t level, TLinkState state) {
  std::string text;
  links::FormatJournalRecord(desc, level, state, text);
  return text;
}

TEST(LinkJournal, ReplayRestoresWhatTheListHeldWithRunningFetchesWaitingAgain) {
  TempDir dir;
  TTestList list(3, dir.File("#Sumbra.&jq"));
  OleCheck(list.List->AddUserLink("http://www.Site.org:8080/"));
  list.Links->AddLinkEx(Link("http://site.org:8080/a|b/c d.htm?x=1&y=|", ltAHref, "a",
                             {{"title", "line\r\nbreak \\/ \\= |"}, {"", ""}}),
                        1, lsPure);
  list.Links->AddLinkEx(Link("http://site.org:8080/img/p.gif", ltImage, "img"), 1, lsPure);
  list.Add("https://other.net/deep", 5);
  list.Add("http://site.org:8080/img/p.gif", 0);
  list.Add("http://site.org:8080/gone", 2, lsRejected, ltOther);
  list.Add("http://site.org:8080/z.htm", 1, lsPure, ltFrame);
  TLinkDescription desc;
  int32_t level;
  for (int outcome : {-1, 0, 3, -2}) { // -1 stays running, -2 is given back
    ASSERT_TRUE(list.Links->GetNextWanted(desc, level));
    if (outcome == -2) list.Links->CancelLink(desc.URL);
    if (outcome >= 0) list.Links->CompleteLink(desc.URL, uint8_t(outcome));
  }
  std::vector<TEnumerated> expected = list.Enumerated();
  for (TEnumerated &link : expected)
    if (link.State == lsInUse) link.State = lsPure;
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(replayed(dir.File("#Sumbra.&jq")), expected);
}

TEST(LinkJournal, EveryAddAndOutcomeIsInTheFileWhenTheCallReturnsAndRecordsOfOneLinkFold) {
  TempDir dir;
  const std::string journal = dir.File("j");
  {
    TTestList list(-1, journal);
    list.Links->AddLinkEx(Link("http://h/a|b", ltImage, "", {{"n", "v"}, {"e", ""}}), 3, lsPure);
    EXPECT_EQ(ReadFile(journal), "http://h/a||b\r\n4\r\n|\r\ne\\=\\\\/n\\=v\r\n3\r\n0\r\n\r\n\r\n");
    list.Add("HTTP://H:80/a|b#x", 1);
    list.HandOutAll();
    list.Links->CompleteLink("http://h/a|b", 1);
    // The outcome carries the entry as it stands: URL rebuilt, type kept, lower level, the
    // parameters of the latest add.
    EXPECT_TRUE(
        ReadFile(journal).ends_with(recordText(Link("http://h/a|b", ltImage), 1, lsCompleteOK)));
    list.Add("http://h/a|b", 0); // a pure add does not reopen it
    list.Add("http://h/y", 4, lsInUse);
  }
  EXPECT_EQ(replayed(journal),
            (std::vector<TEnumerated>{{"http://h/a|b", ltImage, "", {}, 1, lsCompleteOK},
                                      {"http://h/y", ltAHref, "", {}, 4, lsPure}}));
}

TEST(LinkJournal, ALinkMetAgainAsItWasWritesNoRecordAndOneThatChangesDoes) {
  TempDir dir;
  const std::string journal = dir.File("j");
  TTestList list(-1, journal);
  list.Add("http://h/p", 2);
  size_t size = ReadFile(journal).size();
  list.Add("http://h/p", 2);
  list.Add("http://h/p", 5);                  // deeper: the entry keeps its level
  list.Add("http://h/p", 2, lsPure, ltOther); // never replaces a type
  EXPECT_EQ(ReadFile(journal).size(), size);
  const std::tuple<TLinkDescription, int32_t, TLinkState> changes[] = {
      {Link("http://h/p"), 1, lsPure},                                // shallower
      {Link("http://h/p", ltImage), 1, lsPure},                       // another type
      {Link("http://h/p", ltImage, "img"), 1, lsPure},                // a tag
      {Link("http://h/p", ltImage, "img", {{"n", "v"}}), 1, lsPure},  // parameters
      {Link("http://h/p", ltImage, "img", {{"n", "v"}}), 1, lsInUse}, // a state
  };
  for (const auto &[desc, level, state] : changes) {
    list.Links->AddLinkEx(desc, level, state);
    EXPECT_GT(ReadFile(journal).size(), size) << desc.Tag << " " << level;
    size = ReadFile(journal).size();
  }
  std::vector<TEnumerated> held = list.Enumerated();
  held[0].State = lsPure; // a fetch that was running is waiting again after a replay
  EXPECT_EQ(replayed(journal), held);
}

TEST(LinkJournal, LinesTagsAndParametersComeBackExactlyForEveryByteString) {
  const std::string alphabet = {'a', '\\', '/', '=', '|', '\r', '\n', '\0', 'n', 'b'};
  std::vector<std::string> texts = {""}; // all of up to three bytes
  for (size_t i = 0; texts[i].size() < 3; ++i)
    for (char c : alphabet)
      texts.push_back(texts[i] + c);
  std::string bytes;
  std::vector<links::TJournalRecord> written;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string &text = texts[i], &other = texts[(i * 7919) % texts.size()];
    written.push_back(
        {Link("u" + text, TLinkType(i % 10), text, {{text, other}, {other + "x", text}, {"", ""}}),
         int32_t(i) - 500, TLinkState(i % 5 == 1 ? 0 : i % 5)});
    links::FormatJournalRecord(written[i].LinkDesc, written[i].Level, written[i].State, bytes);
  }
  TempDir dir;
  WriteFile(dir.File("j"), bytes);
  auto fields = [](const links::TJournalRecord &record) {
    const TLinkDescription &desc = record.LinkDesc;
    return std::tuple(desc.URL, desc.LinkType, desc.Tag, ParamsOf(desc.Params.get()), record.Level,
                      record.State);
  };
  size_t i = 0;
  links::ReadLinkJournal(dir.File("j"), [&](const links::TJournalRecord &read) {
    ASSERT_LT(i, written.size());
    EXPECT_EQ(fields(read), fields(written[i++]));
  });
  EXPECT_EQ(i, written.size());
}

TEST(LinkJournal, ParametersOfTheEarlierRuleReadAsTheyWere) {
  const std::pair<std::string, TPairs> cases[] = {
      {"href\\=a.htm\\/title\\=Hi there", {{"href", "a.htm"}, {"title", "Hi there"}}},
      {"alt\\=\\", {{"alt", ""}}},
      {"p\\=C:\\\\dir\\\\", {{"p", "C:\\dir\\"}}},
      {"a\\=b\\=c\\x", {{"a", "b\\=c\\x"}}},
  };
  TempDir dir;
  for (const auto &[line, params] : cases) {
    WriteFile(dir.File("j"), "http://h/\r\n1\r\n|\r\n" + line + "\r\n0\r\n0\r\n\r\n\r\n");
    links::ReadLinkJournal(dir.File("j"), [&](const links::TJournalRecord &record) {
      EXPECT_EQ(ParamsOf(record.LinkDesc.Params.get()), params) << line;
    });
  }
}

TEST(LinkJournal, DamagedRecordsAreSkippedAndTheRestIsReplayed) {
  std::mt19937 random(7);
  std::string garbage;
  for (int i = 0; i < 100000; ++i)
    garbage += char(random());
  const std::string hugeLine(20 << 20, '7');
  std::vector<std::string> cases = {"|\r\n1\r\n|\r\n|\r\n0\r\n0\r\n\r\n",
                                    "http://h/bad\r\n1\r\n|\r\n|\r\n0\r\n\r\n",
                                    hugeLine + "\r\n1\r\n|\r\n|\r\n0\r\n0\r\n\r\n"};
  // Type, parameters, level and state lines.
  const std::array<std::string, 4> badFields[] = {
      {"10", "|", "0", "0"},          {"one", "|", "0", "0"},   {"1", "|", "0", "5"},
      {"1", "|", "99999999999", "0"}, {"1", "|", " 1", "0"},    {"1", "no separator", "0", "0"},
      {"1", "a\\=b\\/", "0", "0"},    {"1", "|", hugeLine, "0"}};
  for (const auto &[type, params, level, state] : badFields)
    cases.push_back("http://h/bad\r\n" + type + "\r\n|\r\n" + params + "\r\n" + level + "\r\n" +
                    state + "\r\n\r\n\r\n");
  cases.push_back(garbage + "\r\n\r\n");
  TempDir dir;
  for (const std::string &bad : cases) {
    WriteFile(dir.File("j"), recordText(Link("http://h/before"), 0, lsPure) + bad +
                                 recordText(Link("http://h/after"), 1, lsCompleteOK));
    std::vector<TEnumerated> links = replayed(dir.File("j"));
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links.front().URL, "http://h/after") << bad.substr(0, 40);
    EXPECT_EQ(links.back().URL, "http://h/before") << bad.substr(0, 40);
    // Random bytes might by chance hold a valid record of their own.
    EXPECT_TRUE(links.size() == 2 || &bad == &cases.back()) << links.size() << bad.substr(0, 40);
  }
}

TEST(LinkJournal, RecordTornAtAnyByteLeavesTheRecordsBeforeItAndLaterOnesIntact) {
  TempDir dir;
  {
    TTestList list(-1, dir.File("j"));
    list.Add("http://h/1");
    list.Add("http://h/2", 2, lsCompleteBad);
  }
  const std::string complete = ReadFile(dir.File("j"));
  const std::string last = recordText(Link("http://h/3", ltImage, "img"), 12, lsCompleteOK);
  const size_t stateDigit = last.find("\r\n2\r\n") + 2;
  for (size_t cut = 0; cut < last.size(); ++cut) {
    std::string torn = dir.File("torn" + std::to_string(cut));
    WriteFile(torn, complete + last.substr(0, cut));
    std::vector<TEnumerated> links = replayed(torn);
    // Only a record that kept its state line counts.
    ASSERT_EQ(links.size(), cut > stateDigit ? 3u : 2u) << cut;
    EXPECT_EQ(links[1], (TEnumerated{"http://h/2", ltAHref, "", {}, 2, lsCompleteBad})) << cut;
    // A job that resumes appends after the torn record without losing its own.
    TTestList(-1, torn).Add("http://h/4");
    std::vector<TEnumerated> resumed = replayed(torn);
    ASSERT_EQ(resumed.size(), links.size() + 1) << cut;
    EXPECT_EQ(resumed.back().URL, "http://h/4") << cut;
  }
}

TEST(LinkJournal, FileGoneOrUnwritableOrUnreadableIsHandledAsTheSystemSays) {
  TempDir dir;
  std::string journal = dir.File("j");
  TTestList missing(-1, journal);
  missing.Links->LoadJournal(); // no file yet: nothing happens
  missing.Add("http://h/1");
  platform::RemoveAppendFile(journal); // as when the list is saved with the job
  missing.Add("http://h/2");
  EXPECT_EQ(ReadFile(journal), recordText(Link("http://h/2"), 0, lsPure));

  TTestList loaded(-1, journal);
  loaded.Links->LoadJournal();
  loaded.Add("http://h/3"); // loading left the list without a journal
  EXPECT_EQ(ReadFile(journal), recordText(Link("http://h/2"), 0, lsPure));

  TTestList unwritable(-1, dir.File("missing/j"));
  EXPECT_THROW(unwritable.Add("http://h/1"), platform::EOSError);
  EXPECT_EQ(unwritable.HandOutAll().size(), 1u); // the list and its owner took the link
  EXPECT_THROW(unwritable.Links->CompleteLink("http://h/1", 1), platform::EOSError);
  EXPECT_EQ(unwritable.Events->AllDoneCount, 1);
  std::filesystem::create_directory(dir.File("missing"));
  unwritable.Add("http://h/2");
  EXPECT_EQ(replayed(dir.File("missing/j")).size(), 1u);

  TTestList unreadable(-1, dir.Path());
  EXPECT_THROW(unreadable.Links->LoadJournal(), platform::EOSError);
}

} // namespace
} // namespace zs
