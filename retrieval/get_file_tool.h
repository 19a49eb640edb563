// The choice of the transfer tool for a URL, and the list of internet modules that have been
// used, which hear of every change of the proxy.
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

ComPtr<IGetFileTool> ChooseGetFileTool(const TParsedURL &ParsedURL, const TURL &URL);
void UpdateInetModulesProxy();
// Lets go of the internet modules, before the plug-ins are freed.
void ReleaseInetModules();

} // namespace zs::retrieval
