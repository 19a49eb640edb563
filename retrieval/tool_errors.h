// Failures of transfer tools, turned into one exception with a readable text.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/interfaces.h"
#include "retrieval/wire_messages.h"

namespace zs::retrieval {

// A resource that cannot be reached: an unknown scheme, an unreadable local file.
ZS_EXCEPTION_CLASS(EInternet, platform::Exception);

// The exception for a tool error with Code and the tool's Message. A code of the table
// gives its text, any other the tool's message; ContextURL, when given, follows in
// parentheses. An OLE-style error with the code E_UNEXPECTED.
platform::EOleSysError ToolError(int32_t Code, const std::string &Message,
                                 const std::string &ContextURL);

// Raises the tool error for a failing Result of a method of Tool (a tool or a plug-in
// module): its last error when it offers IGetFileToolError, E_UNEXPECTED otherwise. Does
// nothing for a successful Result.
void CheckTool(HRESULT Result, IUnknown *Tool, const std::string &ContextURL);

} // namespace zs::retrieval
