// The "LinkList" element with a real link list: the values of links and parameters read, and
// the quick-save journal that loading replays.
#include <gtest/gtest.h>

#include "persistence/data_documents.h"
#include "tests/persistence/persistence_test_support.h"

namespace zs::testing {
namespace {

class LinkListXML : public ::testing::Test {
protected:
  // The links of a LinkList element with the given content, loaded into a fresh list.
  std::vector<TSavedLink> Load(const std::string &content, int32_t expectedCount) {
    ComPtr<IXMLElement> root =
        RootOfText(dir.File("links.xml"), "<Job><LinkList>" + content + "</LinkList></Job>");
    TLinks loaded;
    EXPECT_EQ(LoadLinkList(root.get(), loaded.Links.get(), dir.Path()), expectedCount);
    return loaded.All();
  }
  void WriteJournal(const std::string &fileName, const std::string &url) {
    TLinks writer;
    writer.Links->SetJournalFile(fileName);
    writer.Add({url});
  }

  TempDir dir;
  std::string journal = dir.File("#Sumbra.&jq");
};

TEST_F(LinkListXML, ReadsValuesWithTheirDefaults) {
  const std::pair<std::string, TSavedLink> cases[] = {
      {"LinkType='LTIMAGE' LinkState='lscompleteok' LinkLevel='2'/>",
       {"http://h/p", ltImage, 2, lsCompleteOK}},
      {"/>", {"http://h/p", ltOther, 0, lsPure}},
      {"LinkType='ltBogus' LinkState='lsInUse' LinkLevel='99999999999'/>",
       {"http://h/p", ltOther, 0, lsPure}},
      // Parameters without a name are none; a later one of the same name wins.
      {"Tag='a'><Params><I Value='v'/><I Name='' Value='w'/></Params></Link>",
       {"http://h/p", ltOther, 0, lsPure, "a"}},
      {"><Params><I Name='b' Value='1'/><x Name='a'/><I Name='a'/><I Name='b' "
       "Value='2'/></Params></Link>",
       {"http://h/p", ltOther, 0, lsPure, "", {{"a", ""}, {"b", "2"}}}},
  };
  for (const auto &[content, expected] : cases)
    EXPECT_EQ(Load("<Other URL='http://h/o'/><Link URL='http://h/p' " + content, 1),
              std::vector<TSavedLink>{expected})
        << content;
}

TEST_F(LinkListXML, ReplaysTheJournalThatQuickSavesNames) {
  WriteJournal(journal, "http://h/by-setting");
  WriteJournal(dir.File("named.jq"), "http://h/by-name");
  EXPECT_EQ(Load("<Link URL='http://h/saved'/>", 1).size(), 2u); // no QuickSaves
  EXPECT_EQ(Load("<QuickSaves src=''/>", 0)[0].URL, "http://h/by-setting");
  EXPECT_EQ(Load("<QuickSaves src='named.jq'/>", 0)[0].URL, "http://h/by-name");
  // Without a LinkList element nothing is loaded, not even the journal.
  TLinks loaded;
  EXPECT_EQ(LoadLinkList(RootOfText(dir.File("links.xml"), "<Job/>").get(), loaded.Links.get(),
                         dir.Path()),
            0);
  EXPECT_TRUE(loaded.All().empty());
}

TEST_F(LinkListXML, JournalOutsideTheProjectDirectoryIsNeverUsed) {
  TempDir project;
  WriteJournal(project.File("#Sumbra.&jq"), "http://h/by-setting");
  WriteJournal(dir.File("outside.jq"), "http://h/outside");
  std::string outside = ReadFile(dir.File("outside.jq"));
  std::string dirName = std::filesystem::path(dir.Path()).parent_path().filename();
  for (std::string src : {"../" + dirName + "/outside.jq", dir.File("outside.jq"),
                          std::string("#Sumbra.&jd"), std::string("..")}) {
    SCOPED_TRACE(src);
    std::string description = "<Job><LinkList><QuickSaves src='" + src + "'/></LinkList></Job>";
    ComPtr<IXMLElement> root = RootOfText(project.File("#Sumbra.&jd"), description);
    TLinks loaded;
    LoadLinkList(root.get(), loaded.Links.get(), project.Path());
    loaded.Add({"http://h/later"});
    EXPECT_EQ(loaded.All().size(), 2u);
    EXPECT_EQ(ReadFile(dir.File("outside.jq")), outside);
    EXPECT_EQ(ReadFile(project.File("#Sumbra.&jd")), description);
  }
}

TEST_F(LinkListXML, LinksMetAfterLoadingGoIntoTheJobsJournal) {
  WriteJournal(dir.File("named.jq"), "http://h/before");
  std::string named = ReadFile(dir.File("named.jq"));
  TLinks loaded;
  LoadLinkList(RootOfText(dir.File("links.xml"),
                          "<Job><LinkList><QuickSaves src='named.jq'/></LinkList></Job>")
                   .get(),
               loaded.Links.get(), dir.Path());
  loaded.Add({"http://h/after"});
  EXPECT_EQ(ReadFile(dir.File("named.jq")), named);
  TLinks replayed;
  replayed.Links->SetJournalFile(journal);
  replayed.Links->LoadJournal();
  EXPECT_EQ(replayed.All(), std::vector<TSavedLink>{{"http://h/after"}});
}

} // namespace
} // namespace zs::testing
