// The built-in DOM of data documents, on pugixml: the provider used when no provider module
// is configured.
#pragma once

#include "kernel/interfaces.h"

namespace zs::persistence {

ComPtr<IXMLProvider> BuiltInXMLProvider();

} // namespace zs::persistence
