// Out parameters of the published methods of this folder.
#pragma once

#include "platform/safecall.h"

namespace zs::links {

// The target of an out parameter; a null pointer fails the call with E_POINTER.
template <class T> T &outParam(T *target) {
  if (!target)
    throw platform::EOleSysError(platform::SysErrorMessage(platform::E_POINTER),
                                 platform::E_POINTER);
  return *target;
}

} // namespace zs::links
