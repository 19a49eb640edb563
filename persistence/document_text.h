// The text of a data document file as the DOM parses it. Documents are held and written in
// UTF-8; a file that declares "Windows-1252" comes from the Windows build and is converted
// from that code page.
#pragma once

#include <string>

namespace zs::persistence {

// The file's bytes as UTF-8 text. Files that declare no encoding, "UTF-8" or "Windows-65001"
// (the Windows name of UTF-8) must hold valid UTF-8. platform::Exception for a file in any
// other encoding and for invalid UTF-8: read as something else, its values would be garbled.
std::string DocumentTextAsUtf8(std::string bytes);

} // namespace zs::persistence
