// TUpdGetSiteEvents: the event sink of the update job. It is the job's sink as every job has
// it, and when the job has finished with every link complete it removes the job and starts
// the update file as a program.
#pragma once

#include "kernel/interfaces.h"

namespace zs::update {

// The warning logged when an update job ends with links that failed.
inline constexpr const char *IncompleteUpdateWarning =
    "Not all update files were sucessfully loaded. Try to reload them.";

ComPtr<IIGetSiteEvents> NewUpdGetSiteEvents(IKGetSiteJob *Job);

} // namespace zs::update
