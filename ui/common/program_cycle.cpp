#include "ui/common/program_cycle.h"

#include "kernel/interfaces.h"
#include "platform/memory.h"

namespace zs::ui {

bool RunIdleStep() {
  bool done = true;
  ProcessIdleInit(done);
  if (!done) return false;
  ComPtr<IKMaintenanceTimer> timer = GetJobQueue().As<IKMaintenanceTimer>();
  if (timer && timer->IsMaintenanceDue()) platform::ReturnFreeMemory();
  return true;
}

void EndProgram() {
  StartShutdownWatchdog();
  ShutdownKernel();
}

} // namespace zs::ui
