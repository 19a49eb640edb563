// How a failed transfer is reported to the program: one of its error codes for each of
// curl's results.
#pragma once

#include <curl/curl.h>

#include <cstdint>

namespace zs::netproc {

// Bad URL, not found, server not found, credentials refused, server error; a failure that
// fits none of them gets the untranslated code, so the program shows curl's own text.
int32_t ToolErrorCode(CURLcode Result);

} // namespace zs::netproc
