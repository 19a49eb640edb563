// TURLServices: the URL operations published to automation clients.
#pragma once

#include "kernel/interfaces.h"

namespace zs::links {

// The one stateless object; it lives as long as the program.
ComPtr<IURLServices> TheURLServices();

// The operations as the rest of the program calls them directly, reading the settings at
// use: Parse answers whether the URL parsed.
bool ParseURL(const TURL &URL, TParsedURL &Result, bool DoSimplify);
TURL UnparseURL(const TParsedURL &URL);

} // namespace zs::links
