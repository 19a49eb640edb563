// THTMLParser: reads a page block by block, reports every attribute that refers to another
// resource, hands embedded style and script to the parse provider, and for a browsable copy
// writes the page back with each accepted link replaced by the local copy's relative path.
#pragma once

#include "kernel/interfaces.h"

namespace zs::parsing {

ComPtr<IParser> NewHTMLParser();

} // namespace zs::parsing
