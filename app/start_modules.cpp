#include "kernel/module_startup.h"

#include "kernel/interfaces.h"
#include "platform/main_loop.h"

namespace zs {

void StartModules() {
  platform::BindMainThread();
  // Link order: each module may use the entry points of those registered before it.
  RegisterKernelModule();
  RegisterSettingsModule();
  RegisterPluginsModule();
  RegisterLinksModule();
  RegisterParsingModule();
  RegisterPersistenceModule();
  RegisterRetrievalModule();
  RegisterUpdateModule();
}

void StopModules() {
  FinalizeUpdateModule();
  FinalizeRetrievalModule();
  FinalizePersistenceModule();
  FinalizeParsingModule();
  FinalizeLinksModule();
  FinalizePluginsModule();
  FinalizeSettingsModule();
  FinalizeKernelModule();
  platform::ClearMainLoop();
}

} // namespace zs
