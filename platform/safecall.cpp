#include "platform/safecall.h"

#include <cstdio>

namespace zs::platform {

namespace {

// A published method may still be called while its thread ends, after the thread's objects
// are destroyed (an object released by a static destructor at the end of the program): from
// then on the thread keeps no error info. The flag itself needs no destruction, so it stays
// readable to the very end of the thread.
thread_local bool errorInfoGone = false;

struct TThreadErrorInfo {
  ~TThreadErrorInfo() { errorInfoGone = true; }
  std::string Text;
};
thread_local TThreadErrorInfo threadErrorInfo;

struct KnownCode {
  HRESULT code;
  const char *text;
};

// The texts the system gives for the standard codes.
constexpr KnownCode knownCodes[] = {
    {S_OK, "The operation completed successfully."},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_ACCESSDENIED, "Access is denied."},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, "The parameter is incorrect."},
};

} // namespace

void SetErrorInfo(std::string message) {
  if (!errorInfoGone) threadErrorInfo.Text = std::move(message);
}

void ClearErrorInfo() {
  if (!errorInfoGone) threadErrorInfo.Text.clear();
}

std::string TakeErrorInfo() {
  return errorInfoGone ? std::string() : std::exchange(threadErrorInfo.Text, std::string());
}

std::string SysErrorMessage(HRESULT code) {
  for (const KnownCode &known : knownCodes)
    if (known.code == code) return known.text;
  char text[64];
  std::snprintf(text, sizeof text, "Unknown error 0x%08X", static_cast<unsigned>(code));
  return text;
}

HRESULT HandleSafeCallException(std::exception_ptr error) noexcept {
  try {
    std::rethrow_exception(error);
  } catch (const EOleSysError &e) {
    SetErrorInfo(e.Message());
    return Failed(e.ErrorCode()) ? e.ErrorCode() : E_UNEXPECTED;
  } catch (const std::exception &e) {
    SetErrorInfo(e.what());
  } catch (...) {
    SetErrorInfo(SysErrorMessage(E_UNEXPECTED));
  }
  return E_UNEXPECTED;
}

void OleCheck(HRESULT code) {
  if (Succeeded(code)) return;
  std::string message = TakeErrorInfo();
  if (message.empty()) message = SysErrorMessage(code);
  throw EOleSysError(std::move(message), code);
}

std::string GUIDToString(const GUID &g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

} // namespace zs::platform
