// The "Request" element: written values, values read back, and the defaults of what is
// missing or unreadable.
#include <gtest/gtest.h>

#include <optional>

#include "persistence/data_documents.h"
#include "tests/persistence/persistence_test_support.h"

namespace zs::testing {
namespace {

class JobRequestXML : public ::testing::Test {
protected:
  ComPtr<IXMLElement> NewParent() {
    document = NewDataDocument();
    return persistence::NewRootElement(document.get(), "Job");
  }
  // The request read from a Request element with the given attributes; none when refused.
  std::optional<TJobRequestDef> Read(const std::string &attributes, bool readProjectDir,
                                     const std::string &projectDir = "/jobs/own") {
    ComPtr<IXMLElement> root =
        RootOfText(dir.File("request.xml"), "<Job><Request " + attributes + "/></Job>");
    ComPtr<IJobRequest> request = MakeRequest(SampleDef(projectDir));
    IJobRequest *passed = request.get();
    if (!LoadJobRequest(root.get(), request, readProjectDir)) {
      EXPECT_EQ(request.get(), passed); // left as it was
      return std::nullopt;
    }
    EXPECT_NE(request.get(), passed);
    return DefOf(request.get());
  }

  TempDir dir;
  ComPtr<IXMLDocument> document;
};

TEST_F(JobRequestXML, WritesEveryFieldInItsEncodingOnceWhateverTheSaves) {
  ComPtr<IXMLElement> parent = NewParent();
  SaveJobRequest(parent.get(), MakeRequest(SampleDef("/jobs/a")).get());
  TJobRequestDef exact = SampleDef("/jobs/b");
  exact.CopyType = ctExact, exact.AllowLinksAway = false, exact.DownLevel = -1;
  SaveJobRequest(parent.get(), MakeRequest(exact).get());
  OleCheck(document->Save(dir.File("saved.xml")));
  EXPECT_EQ(ReadFile(dir.File("saved.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Job xmlns=\"\">\n"
            "  <Request Title=\"Sample\" CopyType=\"Exact\" FollowLinksLevel=\"-1\" "
            "IndexFileName=\"index.html\" FirstPageURL=\"http://example.com/docs/start.html\" "
            "SiteURL=\"http://example.com/docs/\" AllowLinksAway=\"False\" "
            "ProjectDir=\"/jobs/b\" />\n</Job>\n");
}

const std::string valid = "Title='T' FirstPageURL='http://h/a/p.htm' SiteURL='http://h/a/' ";

TJobRequestDef expect(TCopyType copyType, int32_t downLevel, bool allowLinksAway,
                      const std::string &projectDir = "/jobs/file") {
  return {"T",           copyType,       downLevel, "", "http://h/a/p.htm",
          "http://h/a/", allowLinksAway, projectDir};
}

TEST_F(JobRequestXML, ReadsValuesWithTheirDefaultsAndRefusesARequestWithoutPageOrFolder) {
  const std::string dir = "ProjectDir='/jobs/file'";
  std::string many;
  for (int i = 0; i < 100000; ++i)
    many += "X" + std::to_string(i) + "='" + std::to_string(i) + "' ";
  const struct {
    std::string attributes;
    bool readProjectDir;
    std::optional<TJobRequestDef> expected; // none: refused
  } cases[] = {
      {valid + dir, true, expect(ctBrowsable, -1, false)},
      {valid + "CopyType='EXACT' AllowLinksAway='true' FollowLinksLevel=' 7 ' " + dir, true,
       expect(ctExact, 7, true)},
      {valid + "CopyType='Copy' AllowLinksAway='yes' FollowLinksLevel='99999999999' " + dir, true,
       expect(ctBrowsable, -1, false)},
      {valid + "FollowLinksLevel='-5' " + dir, true, expect(ctBrowsable, -5, false)},
      {many + valid + dir, true, expect(ctBrowsable, -1, false)},
      // A description takes the folder it was found in.
      {valid + dir, false, expect(ctBrowsable, -1, false, "/jobs/own")},
      {"Title='T' " + dir, true, std::nullopt},
      {"FirstPageURL='' " + dir, true, std::nullopt},
      {valid, true, std::nullopt},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Read(c.attributes, c.readProjectDir), c.expected) << c.attributes.substr(0, 80);
}

} // namespace
} // namespace zs::testing
