// TUpdJobRequest: the request of the program's update job. Its content is fixed when it is
// made, and it carries the mark by which the update job is found in the job list.
#pragma once

#include "kernel/interfaces.h"

namespace zs::update {

// The root of the vendor's web site: the bound of every update job.
TURL VendorSiteURL();
// The folder of the update job's files, inside the user's temporary folder.
inline constexpr const char *UpdateFolderName = "Zelvor unfinished AutoUpdate";

// The request of an update job for the update file at URL; its Change fails with
// E_ACCESSDENIED.
ComPtr<IJobRequest> NewUpdJobRequest(const TURL &URL);

} // namespace zs::update
