// The display of one fetch: a progress indicator of the status bar, held from the fetch's
// start to its end, that shows the URL and how much of it has arrived.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/interfaces.h"

namespace zs::ui {

// A byte count as the indicators show it: "999 bytes", "999 KB", "5 MB" (whole numbers,
// rounded down).
std::string FetchSizeText(int64_t Bytes);

ComPtr<IIGetFileEvents> NewGetFileEventsUI(const std::string &URL);

} // namespace zs::ui
