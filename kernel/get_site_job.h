// TGetSiteJob: one download job. It owns the job's request, link list and event sink, keeps
// the job's state, persists it in the job description file of the project directory, and
// joins or leaves the scheduler when it is run, paused, finished or removed. Links are
// judged by the link list and fetched by the get-file controller, never by the job.
#pragma once

#include "kernel/interfaces.h"

namespace zs::kernel {

// A fresh job for the request, with a sink made by Factory (the default one when empty).
ComPtr<IGetSiteJob> CreateGetSiteJob(IKJobQueue *Queue, IJobRequest *Request,
                                     TGetSiteEventsFactory Factory);
// The job of a "Job" element of a job list file; empty when the element holds no request.
ComPtr<IGetSiteJob> LoadGetSiteJob(IKJobQueue *Queue, IXMLElement *Node);
// Records the job's internal class in the class table.
void RegisterGetSiteJobClass();

} // namespace zs::kernel
