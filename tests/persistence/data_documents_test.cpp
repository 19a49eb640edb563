// Data documents of the built-in DOM: how they are written and read, which files load, and
// how elements are found by name; and documents of a provider module.
#include "persistence/data_documents.h"

#include <gtest/gtest.h>

#include "persistence/xml_values.h"
#include "tests/persistence/persistence_test_support.h"

namespace zs::testing {
namespace {

class DataDocument : public ::testing::Test {
protected:
  TempDir dir;
  std::string file = dir.File("data.xml");
};

TEST_F(DataDocument, NewDocumentIsWrittenInUtf8WithDeclarationAndTwoSpaceIndentation) {
  ComPtr<IXMLDocument> document = NewDataDocument();
  ComPtr<IXMLElement> root = persistence::NewRootElement(document.get(), "Job");
  OleCheck(FindOrAddChild(root.get(), "Request")->SetAttribute("Title", "Caf\xC3\xA9"));
  ComPtr<IXMLElement> link;
  OleCheck(FindOrAddChild(root.get(), "LinkList")->AppendChild("Link", link.put()));
  OleCheck(link->SetAttribute("URL", "http://h/?a=1&b=2"));
  OleCheck(document->Save(file));
  EXPECT_EQ(ReadFile(file), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<Job xmlns=\"\">\n"
                            "  <Request Title=\"Caf\xC3\xA9\" />\n"
                            "  <LinkList>\n"
                            "    <Link URL=\"http://h/?a=1&amp;b=2\" />\n"
                            "  </LinkList>\n"
                            "</Job>\n");
}

TEST_F(DataDocument, AttributeValuesComeBackUnchanged) {
  const std::vector<std::string> values = {"",
                                           "  spaced  ",
                                           "quotes \" and '",
                                           "<tag> & &amp;",
                                           "line\r\nbreak\tand tab",
                                           "\xC3\xBCnic\xC3\xB6"
                                           "de \xE2\x82\xAC"};
  ComPtr<IXMLDocument> document = NewDataDocument();
  ComPtr<IXMLElement> root = persistence::NewRootElement(document.get(), "Job");
  for (size_t i = 0; i < values.size(); ++i)
    OleCheck(root->SetAttribute("V" + std::to_string(i), values[i]));
  OleCheck(document->Save(file));
  ComPtr<IXMLElement> loaded = RootOfText(file, ReadFile(file));
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(Attribute(loaded.get(), "V" + std::to_string(i)), values[i]);
  EXPECT_EQ(Attribute(loaded.get(), "Missing"), "(none)");
}

TEST_F(DataDocument, LoadsWellFormedUtf8AndWindows1252FilesOnlyAndNeverWritesThem) {
  const std::pair<std::string, const char *> cases[] = {
      // The file, and the title read from it (nullptr: the file does not load).
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><Job Title=\"caf\xC3\xA9\"/>", "caf\xC3\xA9"},
      {"<Job Title=\"caf\xC3\xA9\"/>", "caf\xC3\xA9"},
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<Job Title=\"x\"/>", "x"},
      {"<?xml version=\"1.0\" encoding=\"Windows-1252\"?><Job Title=\"caf\xE9 \x80\"/>",
       "caf\xC3\xA9 \xE2\x82\xAC"},
      {"<?xml version='1.0' encoding = 'windows-1252'?><Job Title='\xE9'/>", "\xC3\xA9"},
      {"<?xml version=\"1.0\" encoding=\"Windows-65001\"?><Job Title=\"a\"/>", "a"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?><Job Title=\"a\"/>", nullptr},
      {"<Job Title=\"caf\xE9\"/>", nullptr},      // Latin-1 without a declaration
      {"<Job Title=\"\xC0\xAF\"/>", nullptr},     // overlong UTF-8
      {"<Job Title=\"\xED\xA0\x80\"/>", nullptr}, // a surrogate
      {"<Job><Request Title=\"x\"/><LinkList><Link URL=\"h", nullptr},
      {"Title=x", nullptr},
      {"<?xml version=\"1.0\"?>", nullptr},
      {"<Job Title=\"a\"/><Job Title=\"b\"/>", nullptr},
  };
  for (const auto &[text, title] : cases) {
    WriteFile(file, text);
    ComPtr<IXMLDocument> document = OpenDataDocument(file);
    EXPECT_EQ(bool(document), title != nullptr) << text;
    if (document && title) {
      ComPtr<IXMLElement> root;
      OleCheck(document->get_DocumentElement(root.put()));
      EXPECT_EQ(Attribute(root.get(), "Title"), title);
    }
    EXPECT_EQ(ReadFile(file), text);
  }
}

TEST_F(DataDocument, LoadedWindows1252DocumentIsSavedAsUtf8) {
  WriteFile(file, "<?xml version=\"1.0\" encoding=\"Windows-1252\"?><Job Title=\"\xE9\"/>");
  OleCheck(OpenDataDocument(file)->Save(dir.File("copy.xml")));
  EXPECT_EQ(ReadFile(dir.File("copy.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Job Title=\"\xC3\xA9\" />\n");
}

TEST_F(DataDocument, ElementIsNamedByLocalNameInNoNamespace) {
  ComPtr<IXMLElement> root = RootOfText(file, "<Job xmlns=''>text<!-- note -->"
                                              "<p:Link xmlns:p='urn:p'/><Link/><q:Link/>"
                                              "<Other xmlns='urn:o'><Link/></Other></Job>");
  std::vector<std::pair<std::string, bool>> seen;
  persistence::ForEachChild(root.get(), [&](IXMLElement *child) {
    std::string name;
    OleCheck(child->get_LocalName(&name));
    seen.emplace_back(name, IsElementNamed(child, "Link"));
  });
  // An undeclared prefix is read leniently: the element counts by its local name.
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{
                      {"Link", false}, {"Link", true}, {"Link", true}, {"Other", false}}));
  EXPECT_FALSE(IsElementNamed(Child(Child(root.get(), "Other").get(), "Link").get(), "Link"));
  EXPECT_FALSE(IsElementNamed(root.get(), "job"));
}

TEST_F(DataDocument, FindOrAddChildAddsOnlyWhenMissing) {
  ComPtr<IXMLElement> root = RootOfText(file, "<Job><A N='1'/><B/><A N='2'/></Job>");
  EXPECT_EQ(Attribute(FindOrAddChild(root.get(), "A").get(), "N"), "1");
  OleCheck(FindOrAddChild(root.get(), "C")->SetAttribute("N", "3"));
  EXPECT_EQ(Attribute(FindOrAddChild(root.get(), "C").get(), "N"), "3");
  int children = 0;
  persistence::ForEachChild(root.get(), [&](IXMLElement *) { ++children; });
  EXPECT_EQ(children, 4);
}

TEST_F(DataDocument, ProviderModuleSuppliesTheDocuments) {
  ScopedXMLProvider provider("xml_provider_module");
  ComPtr<IXMLDocument> document = NewDataDocument();
  OleCheck(persistence::NewRootElement(document.get(), "Job")->SetAttribute("A", "a b"));
  persistence::SaveDataDocument(document.get(), file);
  EXPECT_EQ(ReadFile(file), "ZS-TEST-DOM 1\n1.0 UTF-8 2\nJob\n@xmlns=\n@A=a b\n");
  ComPtr<IXMLDocument> loaded = OpenDataDocument(file);
  ASSERT_TRUE(loaded);
  ComPtr<IXMLElement> root;
  OleCheck(loaded->get_DocumentElement(root.put()));
  EXPECT_EQ(Attribute(root.get(), "A"), "a b");
}

TEST_F(DataDocument, ModuleThatYieldsNoProviderIsReported) {
  for (const char *module : {"refusing_module", "no_main_object_module", "/no/such/module.so"}) {
    SCOPED_TRACE(module);
    ScopedXMLProvider provider(module);
    for (auto use : {+[](const std::string &) { NewDataDocument(); },
                     +[](const std::string &name) { OpenDataDocument(name); }}) {
      try {
        use(file);
        ADD_FAILURE() << "no exception";
      } catch (const EXMLProvider &error) {
        EXPECT_STREQ(error.what(), "XML Provider unaviable");
      }
    }
  }
}

} // namespace
} // namespace zs::testing
