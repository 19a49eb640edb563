// The site update's entry points.
#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "update/update_controller.h"
#include "update/update_get_site_events.h"
#include "update/update_job_request.h"

namespace zs {

void RegisterUpdateModule() {
  UpdateSiteURL.Fill(&update::VendorSiteURL);
  CreateUpdJobRequest.Fill(&update::NewUpdJobRequest);
  CreateUpdGetSiteEvents.Fill(&update::NewUpdGetSiteEvents);
  update::RegisterUpdateControllerClass();
}

void FinalizeUpdateModule() {}

} // namespace zs
