#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "retrieval/get_file_controller.h"
#include "retrieval/get_file_events.h"
#include "retrieval/get_file_process.h"
#include "retrieval/get_file_tool.h"
#include "retrieval/host_manners.h"
#include "retrieval/proxy_data.h"
#include "retrieval/win_inet_connector.h"
#include "retrieval/win_inet_gft.h"

namespace zs {

void RegisterRetrievalModule() {
  GetGetFileController.Fill(&retrieval::GetGetFileController);
  FreeGetFileController.Fill(&retrieval::FreeGetFileController);
  GetFileControllerExists.Fill(&retrieval::GetFileControllerExists);
  CreateGetFileProcess.Fill(&retrieval::NewGetFileProcess);
  CreateHostManners.Fill(&retrieval::NewHostManners);
  CreateGetFileEvents.Fill(&retrieval::NewGetFileEvents);
  GetFileTool.Fill(&retrieval::ChooseGetFileTool);
  UpdateModulesProxy.Fill(&retrieval::UpdateInetModulesProxy);
  // The separated process is not started here but by the first fetch that needs it, so that
  // programs and tests that never fetch never start one.
  retrieval::StartConnectorModule();
  CreateWinInetTool.Fill(&retrieval::CreateWinInetTool);
  ReadProxyData.Fill(&retrieval::ReadProxySettings);
  WriteProxyData.Fill(&retrieval::WriteProxySettings);
}

void FinalizeRetrievalModule() {
  // Fetches still running are stopped, and their threads end before the tools they use go.
  if (GetFileControllerExists()) GetGetFileController()->CancelJob(nullptr);
  retrieval::WaitForGetFileWorkers();
  FreeGetFileController();
  retrieval::ReleaseInetModules();
  retrieval::StopConnectorModule();
}

} // namespace zs
