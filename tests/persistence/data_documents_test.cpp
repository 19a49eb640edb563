// Data documents of the built-in DOM: how they are written and read and which files load;
// and documents of a provider module.
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

TEST_F(DataDocument, IsWrittenInIndentedUtf8AndItsAttributeValuesComeBackUnchanged) {
  const std::vector<std::string> values = {"",
                                           "  spaced  ",
                                           "quotes \" and '",
                                           "<tag> & &amp;",
                                           "line\r\nbreak\tand tab",
                                           "\xE2\x82\xAC"};
  ComPtr<IXMLDocument> document = NewDataDocument();
  ComPtr<IXMLElement> root = persistence::NewRootElement(document.get(), "Job");
  ComPtr<IXMLElement> link;
  OleCheck(FindOrAddChild(root.get(), "LinkList")->AppendChild("Link", link.put()));
  OleCheck(link->SetAttribute("URL", "http://h/?a=1&b=2"));
  OleCheck(document->Save(file));
  EXPECT_EQ(ReadFile(file), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<Job xmlns=\"\">\n"
                            "  <LinkList>\n"
                            "    <Link URL=\"http://h/?a=1&amp;b=2\" />\n"
                            "  </LinkList>\n"
                            "</Job>\n");
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
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<Job Title=\"caf\xC3\xA9\"/>", "caf\xC3\xA9"},
      {"<?xml version='1.0' encoding = 'windows-1252'?><Job Title='caf\xE9 \x80'/>",
       "caf\xC3\xA9 \xE2\x82\xAC"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?><Job Title=\"a\"/>", nullptr},
      {"<Job Title=\"caf\xE9\"/>", nullptr},      // Latin-1 without a declaration
      {"<Job Title=\"\xC0\xAF\"/>", nullptr},     // overlong UTF-8
      {"<Job Title=\"\xED\xA0\x80\"/>", nullptr}, // a surrogate
      {"<Job><Request Title=\"x\"/><LinkList><Link URL=\"h", nullptr},
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
      // Saved again, a document is UTF-8 whatever it was read from.
      const std::string copy = dir.File("copy.xml");
      OleCheck(document->Save(copy));
      EXPECT_NE(ReadFile(copy).find(title), std::string::npos);
      EXPECT_EQ(Attribute(RootOfText(copy, ReadFile(copy)).get(), "Title"), title);
    }
    EXPECT_EQ(ReadFile(file), text);
  }
}

TEST_F(DataDocument, ProviderModuleSuppliesTheDocumentsOrIsReportedUnavailable) {
  {
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
  for (const char *module : {"refusing_module", "no_main_object_module", "/no/such/module.so"}) {
    ScopedXMLProvider provider(module);
    EXPECT_THROW(NewDataDocument(), EXMLProvider) << module;
    try {
      OpenDataDocument(file);
      ADD_FAILURE() << "no exception";
    } catch (const EXMLProvider &error) {
      EXPECT_STREQ(error.what(), "XML Provider unaviable");
    }
  }
}

} // namespace
} // namespace zs::testing
