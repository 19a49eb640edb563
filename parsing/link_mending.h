// The last step of a browsable copy of today's pages. A page at the job's deepest level is
// written while the job does not know yet which of its hyperlinks it will copy: they lead
// one level deeper, but another page may reach the same link sooner. Written as local links,
// those that were never copied in the end are pointed at the web here, once the job is done,
// in the pages of that level only.
#pragma once

#include "kernel/interfaces.h"

namespace zs::parsing {

// Rewrites, in the copied pages at the job's depth limit, the local links to files the job
// did not copy into the absolute URLs they were made from. A page is replaced as a whole
// (never left torn); a page that cannot be read or written is reported as a warning and the
// others go on. Does nothing for exact copies, jobs without a depth limit, or with today's
// requisites switched off.
void MendLinksNotCopied(IJobRequest *JobRequest, IILinkList *Links);

} // namespace zs::parsing
