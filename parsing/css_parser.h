// TCSSParser: finds the url(...) references of a style sheet or a style attribute, reports
// them as images and, for a browsable copy, writes the local copy's relative path instead.
#pragma once

#include "kernel/interfaces.h"

namespace zs::parsing {

ComPtr<IParser> NewCSSParser();

} // namespace zs::parsing
