// Failures of transfer tools and the texts they become.
#include "retrieval/tool_errors.h"

#include <gtest/gtest.h>

#include "platform/safecall.h"

namespace zs::retrieval {
namespace {

class TFailingTool : public platform::TComObject<IGetFileToolError> {
public:
  TFailingTool(int32_t Code, std::string Message) : code_(Code), message_(std::move(Message)) {}
  int32_t GetLastError(std::string *Message) override {
    *Message = message_;
    return code_;
  }

private:
  int32_t code_;
  std::string message_;
};

TEST(ToolErrors, CodesAreTranslatedAndFollowedByTheURL) {
  const std::string url = "http://example.com/a.html";
  struct {
    int32_t Code;
    std::string Expected;
  } cases[] = {
      {1, "Bad URL (" + url + ")"},
      {2, "File or Resource not found (" + url + ")"},
      {3, "Server not found (" + url + ")"},
      {4, "User name and password not accepted by the server (" + url + ")"},
      {5, "Server internal error (" + url + ")"},
      {0, "Connection reset (" + url + ")"},
      {0x7FFFFFFF, "Connection reset (" + url + ")"},
  };
  for (const auto &c : cases) {
    auto tool = platform::MakeCom<TFailingTool>(c.Code, "Connection reset");
    try {
      CheckTool(platform::E_FAIL, tool.get(), url);
      ADD_FAILURE() << "code " << c.Code << " raised nothing";
    } catch (const platform::EOleSysError &error) {
      EXPECT_EQ(error.Message(), c.Expected) << "code " << c.Code;
      EXPECT_EQ(error.ErrorCode(), platform::E_UNEXPECTED);
    }
  }
}

// Any object serves as a tool that offers no account of its failures.
class TPlainTool : public platform::TComObject<IProfilerEvents> {
  HRESULT ParamChanged(const std::string &, const Variant &) override { return platform::S_OK; }
};

TEST(ToolErrors, ToolWithoutErrorInterfaceFailsUnexpectedlyWithItsOwnMessage) {
  auto plain = platform::MakeCom<TPlainTool>();
  platform::SetErrorInfo("Disk on fire");
  try {
    CheckTool(platform::E_FAIL, plain.get(), "http://x/");
    ADD_FAILURE() << "nothing raised";
  } catch (const platform::EOleSysError &error) {
    EXPECT_EQ(error.Message(), "Disk on fire");
    EXPECT_EQ(error.ErrorCode(), platform::E_UNEXPECTED);
  }
}

} // namespace
} // namespace zs::retrieval
