// A new job of the job list, made from a definition as a person or a script gives it.
#pragma once

#include "kernel/interfaces.h"

namespace zs::ui {

// The request first fills in what was left out (the site's bound, the title); what it holds
// then is judged, as the job will see it, and added to the job list. A definition that does
// not pass raises an error that names the field and says why.
ComPtr<IGetSiteJob> AddNewJob(const TJobRequestDef &Def);

} // namespace zs::ui
