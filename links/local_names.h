// The pieces of local file names: the escaping of the characters that file names may not
// hold, and the guard that keeps a name from meaning "this folder" or "the parent folder".
#pragma once

#include <string>
#include <string_view>

namespace zs::links {

// Appends text, writing each of \ / < > : ? * " | & as & and its code letter (b s l r c q a
// t d &). With escapeSeparators false, \ and / are not escaped but become the local
// separator /.
void appendLocalName(std::string &out, std::string_view text, bool escapeSeparators);

// The name from nameStart to the end of out is one path component. If it is "." or "..",
// an & goes in front: escaping writes & only before a code letter, so "&." and "&.." are
// names no URL part escapes to, and no other file is hit.
void neutraliseDotName(std::string &out, size_t nameStart);

} // namespace zs::links
