// The two kinds of file that jobs outlive the program in: the job description file in each
// project directory (state, request and links of one job) and job list files (the requests
// of every job in a list).
#pragma once

#include <vector>

#include "kernel/interfaces.h"

namespace zs::persistence {

void SaveJobDescription(TJobState State, IJobRequest *Request, IILinkList *Links,
                        const TLocalFileName &ProjectDir);
ComPtr<IXMLElement> OpenJobDescription(const TLocalFileName &ProjectDir);
TJobState LoadJobState(IXMLElement *Root);

void SaveJobListFile(const TLocalFileName &FileName,
                     const std::vector<ComPtr<IJobRequest>> &Requests);
std::vector<ComPtr<IXMLElement>> OpenJobListFile(const TLocalFileName &FileName);

} // namespace zs::persistence
