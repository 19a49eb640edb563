// TGetSiteJob: one download job. It owns the job's request, link list and event sink, keeps
// the job's state, persists it in the job description file of the project directory, and
// joins or leaves the scheduler when it is run, paused, finished or removed. Links are
// judged by the link list and fetched by the get-file controller, never by the job.
#pragma once

namespace zs::kernel {

// Fills CreateGetSiteJob and LoadGetSiteJob and registers the job's internal class.
void RegisterGetSiteJob();

} // namespace zs::kernel
