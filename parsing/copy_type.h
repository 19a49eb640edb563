// What the parsers ask before a file: whether the job writes its pages back with local
// links, and whether the requisites of today's markup are followed. Read once per file: a
// file written half one way and half the other would be corrupt.
#pragma once

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::parsing {

inline bool IsBrowsableCopy(IJobRequest &JobRequest) {
  TCopyType copyType = ctExact;
  platform::OleCheck(JobRequest.get_CopyType(&copyType));
  return copyType == ctBrowsable;
}

inline bool FollowsModernMarkup() {
  Variant follows;
  platform::OleCheck(GetProfiler()->get_Param("FollowModernMarkup", &follows));
  return !follows.IsNull() && follows.AsBoolean();
}

} // namespace zs::parsing
