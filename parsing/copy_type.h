// Whether a job writes its pages back with local links. Read once per file: a file written
// half exact and half browsable would be corrupt.
#pragma once

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::parsing {

inline bool IsBrowsableCopy(IJobRequest &JobRequest) {
  TCopyType copyType = ctExact;
  platform::OleCheck(JobRequest.get_CopyType(&copyType));
  return copyType == ctBrowsable;
}

} // namespace zs::parsing
