// Per-thread reporters of warnings and errors, and the rule that turns an exception into
// a source and a text. Work in a worker thread reports through the slots of its thread
// without knowing who listens; an object that wants a thread's reports installs itself
// there, in that thread.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "kernel/interfaces.h"

namespace zs::kernel {

using zs::TErrorEvent;
using zs::TWarningEvent;

// Fills the calling thread's OnWarning and OnError slots (empty methods leave a slot unset).
// Every thread starts with both slots unset; other threads are never affected.
void InstallThreadReporters(TWarningEvent OnWarning, TErrorEvent OnError);
// Unsets both slots of the calling thread.
void UninstallThreadReporters();

// Hands a warning to the calling thread's OnWarning; nothing happens when it is unset.
void ReportWarning(const std::string &Text);
// Called inside an exception handler: reports the exception being handled through the
// calling thread's OnError, converted by ExceptionToText. Does nothing without a reporter
// or outside a handler, and never raises.
void ReportCurrentException() noexcept;

// Source: the class name of the exception ("Exception" for one of the standard library,
// the type's name for a thrown object that is no exception); Text: its message, empty for
// an object that is no exception. An OLE system error has the source "Workflow"; its text
// becomes "Unidentified error" when it is only the system's text for E_UNEXPECTED, and is
// followed by " (OLE ID: 0x" and its code in 8 hex digits and ")" for any other code.
void ExceptionToText(const std::exception &Error, std::string &Source, std::string &Text);
void ExceptionToText(std::exception_ptr Error, std::string &Source, std::string &Text);

} // namespace zs::kernel
