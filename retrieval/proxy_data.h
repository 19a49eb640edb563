// The proxy of network transfers, kept in the custom values of section "Connection Proxy".
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

// Use from the integer value "Use" (0 when missing or not an integer); Protocol is always
// "http"; Address, UserName and Password are read only when Use is 2, else empty.
TProxyData ReadProxySettings();
// Stores Use as an integer and the others as text. A running separated process is sent the
// new proxy at once, so the change applies to the next transfer.
void WriteProxySettings(const TProxyData &Proxy);

} // namespace zs::retrieval
