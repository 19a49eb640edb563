#include "retrieval/tool_errors.h"

#include "platform/safecall.h"

namespace zs::retrieval {

namespace {

std::string codeText(int32_t Code) {
  switch (Code) {
  case tecBadURL: return "Bad URL";
  case tecNotFound: return "File or Resource not found";
  case tecServerNotFound: return "Server not found";
  case tecCredentialsRefused: return "User name and password not accepted by the server";
  case tecServerError: return "Server internal error";
  default: return "";
  }
}

} // namespace

platform::EOleSysError ToolError(int32_t Code, const std::string &Message,
                                 const std::string &ContextURL) {
  std::string text = codeText(Code);
  bool translated = !text.empty();
  if (!ContextURL.empty()) text += " (" + ContextURL + ")";
  return platform::EOleSysError(translated ? text : Message + text, platform::E_UNEXPECTED);
}

void CheckTool(HRESULT Result, IUnknown *Tool, const std::string &ContextURL) {
  if (platform::Succeeded(Result)) return;
  ComPtr<IGetFileToolError> errors = ComPtr<IUnknown>(Tool).As<IGetFileToolError>();
  if (!errors) platform::OleCheck(platform::E_UNEXPECTED);
  // The failure's own message is replaced by the tool's account of it.
  platform::TakeErrorInfo();
  std::string message;
  int32_t code = errors->GetLastError(&message);
  throw ToolError(code, message, ContextURL);
}

} // namespace zs::retrieval
