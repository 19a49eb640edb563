// The kinds of text a fetch parses ("html", "css", "script", or none: empty), and the tables
// that give the kind of a link type or of a content type.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::retrieval {

// Exact, case-sensitive: "text/html", "text/css" and "application/x-javascript" only.
std::string ContentTypeToKind(const std::string &ContentType);
std::string LinkTypeToKind(TLinkType LinkType);
// True exactly for "html", "css" and "script".
bool IsKnownKind(const std::string &Kind);

// The content type of a file name's extension in the system's table of media types; empty
// when the name has no extension or the table does not know it.
std::string ContentTypeOfFileName(const std::string &FileName);

} // namespace zs::retrieval
