#include "ui/common/new_job.h"

#include "platform/safecall.h"
#include "ui/common/job_texts.h"

namespace zs::ui {

using platform::OleCheck;

ComPtr<IGetSiteJob> AddNewJob(const TJobRequestDef &Def) {
  ComPtr<IJobRequest> request = CreateJobRequest();
  OleCheck(request->Change(Def));
  TJobRequestDef def;
  OleCheck(request->AsRecDef(&def));
  std::string message;
  if (const int32_t field = ValidateJobRequestDef(def, request.get(), message))
    throw platform::Exception(RefusedFieldText(field, message));
  ComPtr<IGetSiteJob> job;
  OleCheck(GetJobQueue()->AddJob(request.get(), job.put()));
  return job;
}

} // namespace zs::ui
