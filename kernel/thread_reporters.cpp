#include "kernel/thread_reporters.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "platform/exceptions.h"
#include "platform/safecall.h"

namespace zs::kernel {

namespace {

thread_local TWarningEvent onWarning;
thread_local TErrorEvent onError;

// The source of an OLE system error; the job log compares reports against the same text.
constexpr const char *oleErrorSource = "Workflow";

// Looked up once: the text a failure without a message of its own carries for E_UNEXPECTED.
const std::string &unexpectedSystemText() {
  static const std::string text = platform::SysErrorMessage(platform::E_UNEXPECTED);
  return text;
}

std::string oleErrorText(const platform::EOleSysError &error) {
  if (error.ErrorCode() == platform::E_UNEXPECTED)
    return error.Message() == unexpectedSystemText() ? "Unidentified error" : error.Message();
  char code[9];
  std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(error.ErrorCode()));
  return error.Message() + " (OLE ID: 0x" + code + ")";
}

// The readable name of the type of the object being thrown (for example "int").
std::string currentExceptionTypeName() {
  const std::type_info *type = abi::__cxa_current_exception_type();
  if (!type) return "";
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> readable(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && readable ? readable.get() : type->name();
}

} // namespace

void InstallThreadReporters(TWarningEvent OnWarning, TErrorEvent OnError) {
  onWarning = std::move(OnWarning);
  onError = std::move(OnError);
}

void UninstallThreadReporters() { InstallThreadReporters(nullptr, nullptr); }

void ReportWarning(const std::string &Text) {
  if (onWarning) onWarning(Text);
}

void ReportCurrentException() noexcept {
  std::exception_ptr error = std::current_exception();
  if (!onError || !error) return;
  try {
    std::string source, text;
    ExceptionToText(error, source, text);
    onError(source, text);
  } catch (...) {
    // Called from exception handlers that must go on with their own clean-up: a reporter
    // that fails loses this one report and nothing else.
  }
}

void ExceptionToText(const std::exception &Error, std::string &Source, std::string &Text) {
  if (auto *ole = dynamic_cast<const platform::EOleSysError *>(&Error)) {
    Source = oleErrorSource;
    Text = oleErrorText(*ole);
  } else if (auto *own = dynamic_cast<const platform::Exception *>(&Error)) {
    Source = own->ClassName();
    Text = own->Message();
  } else {
    Source = "Exception";
    Text = Error.what();
  }
}

void ExceptionToText(std::exception_ptr Error, std::string &Source, std::string &Text) {
  Source.clear();
  Text.clear();
  if (!Error) return;
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception &e) {
    ExceptionToText(e, Source, Text);
  } catch (...) {
    Source = currentExceptionTypeName();
  }
}

} // namespace zs::kernel
