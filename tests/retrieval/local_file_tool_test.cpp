// Local files read as transfers, through the tool that GetFileTool chooses for "file" URLs.
#include <filesystem>
#include <functional>
#include <tuple>

#include "retrieval/tool_errors.h"
#include "tests/retrieval/retrieval_test_support.h"

namespace zs::testing {
namespace {

ComPtr<IGetFileTool> ToolFor(const std::string &url) {
  TParsedURL parsed;
  EXPECT_TRUE(ParseURL(url, parsed, true)) << url;
  return GetFileTool(parsed, "");
}

class LocalFileTool : public ::testing::Test {
protected:
  std::string URLOf(const std::string &name) const { return "file://" + folder.File(name); }

  // Writes a file of 250 KB and reads it through its tool chunk by chunk, calling
  // afterFirstChunk once the first chunk is read; the sizes of the chunks read.
  std::vector<int32_t> readBigFile(const std::function<void()> &afterFirstChunk = [] {}) {
    bytes.resize(250 * 1024);
    for (size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>(i * 7 + i / 256);
    WriteFile(folder.File("big.bin"), bytes);
    ComPtr<IGetFileTool> tool = ToolFor(URLOf("big.bin"));
    bool found = false;
    OleCheck(tool->Open(&found));
    EXPECT_TRUE(found);
    int32_t size = 0;
    OleCheck(tool->GetSize(&size));
    EXPECT_EQ(size, 256000);
    std::vector<int32_t> chunks;
    for (int32_t available = 0;;) {
      OleCheck(tool->GetAvailable(&available));
      if (available < 0) break;
      std::string chunk(available, '\0');
      int32_t got = 0;
      OleCheck(tool->Read(chunk.data(), available, &got));
      chunks.push_back(got);
      read += chunk.substr(0, got);
      if (chunks.size() == 1) afterFirstChunk();
    }
    return chunks;
  }

  TempDir folder;
  std::string bytes, read;
};

TEST_F(LocalFileTool, FileRemovedWhileReadIsReadWholeAndOneCutShortFails) {
  EXPECT_EQ(readBigFile([&] { std::filesystem::remove(folder.File("big.bin")); }),
            (std::vector<int32_t>{102400, 102400, 51200}));
  EXPECT_EQ(read, bytes);
  read.clear();
  try {
    readBigFile([&] { std::filesystem::resize_file(folder.File("big.bin"), 150000); });
    ADD_FAILURE() << "a file cut short was read as whole";
  } catch (const platform::Exception &e) {
    EXPECT_EQ(std::string(e.what()),
              "The file became shorter while it was read: " + folder.File("big.bin"));
  }
}

TEST_F(LocalFileTool, NameComesFromTheDecodedPathAndContentTypeFromTheSystemTable) {
  const std::tuple<const char *, const char *, const char *> cases[] = {
      {"b.HTML", "b.HTML", "text/html"},
      {"d.png", "d.png", "image/png"},
      {"noextension", "noextension", ""},
      // Percent escapes are decoded and the query ignored.
      {"my page \xC3\xA9.html", "my%20page%20%C3%A9.html?x=1", "text/html"}};
  for (const auto &[file, urlName, expected] : cases) {
    WriteFile(folder.File(file), "hello");
    ComPtr<IGetFileTool> tool = ToolFor(URLOf(urlName));
    bool found = false;
    OleCheck(tool->Open(&found));
    int32_t size = 0;
    OleCheck(tool->GetSize(&size));
    std::string contentType = "?";
    OleCheck(tool->GetContentType(&contentType));
    EXPECT_EQ(std::tuple(found, size, contentType), std::tuple(true, 5, expected)) << urlName;
  }
  // A folder cannot be read as a file.
  std::filesystem::create_directory(folder.File("dir.html"));
  EXPECT_THROW(ToolFor(URLOf("dir.html")), retrieval::EInternet);
}

} // namespace
} // namespace zs::testing
