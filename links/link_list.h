// TLinkList: the links of one job, de-duplicated in a tree of hosts, directories and files,
// with their types, levels and download states, an optional journal, and a tree view for
// the user interface.
#pragma once

#include "kernel/interfaces.h"

namespace zs::links {

// The factory behind CreateLinkList. The object also answers for IILinkList and
// IILinkListView. Events is the owner, which outlives the list; it may be nullptr.
ComPtr<ILinkList> NewLinkList(IILinkListEvents *Events, int32_t DownLevel);

} // namespace zs::links
