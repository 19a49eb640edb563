// TGetFileProcess: one fetch. Its worker thread (TGetFileHelper) takes one link of a job,
// reads the resource through the transfer tool of its URL, writes it to the local file the
// job's URL parser names, passes HTML, CSS and script text through a parse provider on the
// way, reports progress, and tells the job how the link ended.
#pragma once

#include "kernel/interfaces.h"

namespace zs::retrieval {

ComPtr<IKGetFileProcess> NewGetFileProcess(IKGetFileController *Controller,
                                           IIJobAsyncProvider *Owner,
                                           const TLinkDescription &LinkDesc, int32_t Level);

// Blocks until every worker thread has ended; used when the program ends.
void WaitForGetFileWorkers();

} // namespace zs::retrieval
