#include "ui/console/console_module.h"

#include "kernel/interfaces.h"
#include "ui/console/console_events.h"

namespace zs::ui {

void RegisterConsoleModule() {
  CreateDefaultGetSiteEvents.Fill(&NewConsoleJobEvents);
  CreateGetFileEventsUI.Fill(&NewConsoleFetchDisplay);
}

} // namespace zs::ui
