// The boundary of published interfaces: an exception inside becomes a failing HRESULT and
// keeps its message as the thread's error info; OleCheck turns a failing result back into
// an exception carrying the code and that message.
#pragma once

#include <exception>
#include <string>

#include "platform/com.h"

namespace zs::platform {

// The thread's error info: the message of the last failure a published method returned.
void SetErrorInfo(std::string message);
void ClearErrorInfo();
// Returns and clears the thread's error info; empty when none is set.
std::string TakeErrorInfo();

// The system's text for a result code ("Catastrophic failure" for E_UNEXPECTED).
std::string SysErrorMessage(HRESULT code);

// Maps the exception being handled to a result code and records its message.
HRESULT HandleSafeCallException(std::exception_ptr error) noexcept;

// Runs a published method's body: S_OK when it returns, a failing code when it raises.
template <class Body> HRESULT SafeCall(Body &&body) noexcept {
  // A failure returned later must not pick up the message of an older one.
  ClearErrorInfo();
  try {
    body();
    return S_OK;
  } catch (...) {
    return HandleSafeCallException(std::current_exception());
  }
}

// Raises EOleSysError for a failing result; the message is the thread's error info when a
// failure left one, otherwise the system's text for the code.
void OleCheck(HRESULT code);

} // namespace zs::platform
