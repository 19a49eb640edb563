// A job's link list as the "LinkList" element of its description file.
#pragma once

#include "kernel/interfaces.h"

namespace zs::persistence {

TLocalFileName SaveLinkList(IXMLElement *Parent, IILinkList *Links,
                            const TLocalFileName &ProjectDir);
int32_t LoadLinkList(IXMLElement *Parent, IILinkList *Links, const TLocalFileName &ProjectDir);
void SaveLinkParams(IXMLElement *Link, IParams *Params);
ComPtr<IParams> LoadLinkParams(IXMLElement *Link);

} // namespace zs::persistence
