#include "retrieval/local_file_tool.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/safecall.h"
#include "platform/text.h"
#include "retrieval/content_kinds.h"
#include "retrieval/tool_errors.h"

namespace zs::retrieval {

namespace {

using platform::SafeCall;

// The file is read in chunks of this size, so that progress is reported as it goes.
constexpr int64_t chunkSize = 102400;

class TGetLocalFileTool final : public platform::TComObject<IGetFileTool> {
public:
  explicit TGetLocalFileTool(const std::string &FileName) : FileName(FileName) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::file_status status = fs::status(FileName, error);
    if (status.type() == fs::file_type::not_found) return;
    if (!error && fs::is_directory(status)) error = std::make_error_code(std::errc::is_a_directory);
    if (!error) {
      Stream.open(FileName, std::ios::binary);
      if (!Stream) error = std::error_code(errno, std::generic_category());
    }
    if (error) throw EInternet(error.message() + ": " + FileName);
    Size = static_cast<int64_t>(fs::file_size(FileName, error));
    if (error) throw EInternet(error.message() + ": " + FileName);
    ContentType = ContentTypeOfFileName(FileName);
  }

  HRESULT GetContentType(std::string *Value) override {
    return SafeCall([&] { *Value = ContentType; });
  }
  HRESULT GetSize(int32_t *Value) override {
    return SafeCall([&] { *Value = static_cast<int32_t>(Size); });
  }
  HRESULT Open(bool *Found) override {
    return SafeCall([&] { *Found = Stream.is_open(); });
  }
  HRESULT GetAvailable(int32_t *Value) override {
    return SafeCall([&] {
      int64_t left = Size - Position;
      *Value = left > 0 ? static_cast<int32_t>(std::min(left, chunkSize)) : -1;
    });
  }
  HRESULT Read(void *Buffer, int32_t Count, int32_t *Read) override {
    return SafeCall([&] {
      Stream.read(static_cast<char *>(Buffer), std::max(Count, 0));
      *Read = static_cast<int32_t>(Stream.gcount());
      Position += *Read;
      // A file cut short while it is read would leave a copy that looks whole.
      if (*Read < Count && Position < Size)
        throw EInternet("The file became shorter while it was read: " + FileName);
    });
  }
  HRESULT Abort() override { return platform::S_OK; }

private:
  const std::string FileName;
  std::ifstream Stream; // not open when the file does not exist
  std::string ContentType;
  int64_t Size = 0;
  int64_t Position = 0;
};

} // namespace

std::string LocalFileOfURL(const TParsedURL &URL) {
  return "/" + platform::DecodePercentEscapes(URL.Path + URL.FileName);
}

ComPtr<IGetFileTool> NewLocalFileTool(const TParsedURL &URL) {
  return platform::MakeCom<TGetLocalFileTool>(LocalFileOfURL(URL));
}

} // namespace zs::retrieval
