#include "kernel/http_module_init.h"

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::kernel {

void InitHttpModule(bool &Done) {
  Done = true;
  std::string moduleName;
  platform::OleCheck(GetProfiler()->GetPluginInetModuleName("http", &moduleName));
  if (moduleName.empty()) return;
  if (ComPtr<IModuleInit> init = GetModuleInitInterface(moduleName))
    platform::OleCheck(init->Initialize());
}

} // namespace zs::kernel
