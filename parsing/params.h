// TParams: a container of name and value pairs sorted by name (case-sensitive ordinal order).
#pragma once

#include "kernel/interfaces.h"

namespace zs::parsing {

ComPtr<IParams> NewParams();

} // namespace zs::parsing
