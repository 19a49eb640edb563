// A job request as the "Request" element of job description and job list files.
#pragma once

#include "kernel/interfaces.h"

namespace zs::persistence {

void SaveJobRequest(IXMLElement *Parent, IJobRequest *Request);
bool LoadJobRequest(IXMLElement *Parent, ComPtr<IJobRequest> &Request, bool ReadProjectDir);

} // namespace zs::persistence
