// Exception classes shared by every layer. Each class reports its own name, which the
// error texts of worker threads use as the source of a report.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace zs::platform {

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char *what() const noexcept override { return message_.c_str(); }
  const std::string &Message() const { return message_; }
  virtual const char *ClassName() const { return "Exception"; }

private:
  std::string message_;
};

// Declares an exception class that inherits its constructors and names itself.
#define ZS_EXCEPTION_CLASS(Name, BaseClass)                                                        \
  class Name : public BaseClass {                                                                  \
    using Inherited = BaseClass;                                                                   \
                                                                                                   \
  public:                                                                                          \
    using Inherited::Inherited;                                                                    \
    const char *ClassName() const override { return #Name; }                                       \
  }

// A failing HRESULT turned back into an exception ("OLE system error").
class EOleSysError : public Exception {
public:
  EOleSysError(std::string message, int32_t code) : Exception(std::move(message)), code_(code) {}
  int32_t ErrorCode() const { return code_; }
  const char *ClassName() const override { return "EOleSysError"; }

private:
  int32_t code_;
};

// A failure of the operating system or of a platform store ("the system error").
class EOSError : public Exception {
public:
  EOSError(std::string message, int errorCode) : Exception(std::move(message)), code_(errorCode) {}
  int ErrorCode() const { return code_; }
  const char *ClassName() const override { return "EOSError"; }

private:
  int code_;
};

// A value that cannot be converted to the type asked for.
ZS_EXCEPTION_CLASS(EVariantError, Exception);

} // namespace zs::platform
