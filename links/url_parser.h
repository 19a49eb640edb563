// TURLParser: resolves the links of one page against its base, judges them against the
// job's site and names their local files.
#pragma once

#include "kernel/interfaces.h"

namespace zs::links {

// An empty base URL means that the URLs come from the user.
ComPtr<IURLParser> NewURLParser(const TURL &BaseURL, IJobRequest *JobRequest);

} // namespace zs::links
