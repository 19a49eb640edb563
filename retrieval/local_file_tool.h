// TGetLocalFileTool: reads the local file that a "file" URL names, as a transfer.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::retrieval {

// The local file of a "file" URL: "/", the path and the file name with their percent escapes
// decoded; the query is no part of it.
std::string LocalFileOfURL(const TParsedURL &URL);

// Opens the file at once. A file that does not exist gives a tool whose Open answers false;
// any other failure to open raises EInternet with the system's message.
ComPtr<IGetFileTool> NewLocalFileTool(const TParsedURL &URL);

} // namespace zs::retrieval
