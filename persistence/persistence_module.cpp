#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "persistence/data_documents.h"
#include "persistence/job_files.h"
#include "persistence/job_request_xml.h"
#include "persistence/link_list_xml.h"

namespace zs {

void RegisterPersistenceModule() {
  NewDataDocument.Fill(&persistence::NewDataDocument);
  OpenDataDocument.Fill(&persistence::OpenDataDocument);
  FindOrAddChild.Fill(&persistence::FindOrAddChild);
  IsElementNamed.Fill(&persistence::IsElementNamed);
  SaveJobRequest.Fill(&persistence::SaveJobRequest);
  LoadJobRequest.Fill(&persistence::LoadJobRequest);
  SaveLinkList.Fill(&persistence::SaveLinkList);
  LoadLinkList.Fill(&persistence::LoadLinkList);
  SaveLinkParams.Fill(&persistence::SaveLinkParams);
  LoadLinkParams.Fill(&persistence::LoadLinkParams);
  SaveJobDescription.Fill(&persistence::SaveJobDescription);
  OpenJobDescription.Fill(&persistence::OpenJobDescription);
  LoadJobState.Fill(&persistence::LoadJobState);
  SaveJobListFile.Fill(&persistence::SaveJobListFile);
  OpenJobListFile.Fill(&persistence::OpenJobListFile);
}

void FinalizePersistenceModule() {}

} // namespace zs
