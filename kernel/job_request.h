// TJobRequest: the definition of one download job behind IJobRequest, free or bound to the
// job that owns it.
#pragma once

#include <mutex>

#include "kernel/interfaces.h"

namespace zs::kernel {

class TJobRequest : public platform::TComObject<IJobRequest, IIJobRequest> {
public:
  HRESULT get_Title(std::string *Value) override;
  HRESULT get_CopyType(TCopyType *Value) override;
  HRESULT get_DownLevel(int32_t *Value) override;
  HRESULT get_IndexName(std::string *Value) override;
  HRESULT get_PageURL(TURL *Value) override;
  HRESULT get_SiteURL(TURL *Value) override;
  HRESULT get_AllowLinksAway(bool *Value) override;
  HRESULT get_ProjectDir(TLocalFileName *Value) override;
  HRESULT Change(const TJobRequestDef &Value) override;
  HRESULT Clone(IJobRequest **Value) override;
  HRESULT AsRecDef(TJobRequestDef *Value) override;

  void SetIndexName(const std::string &Name) override;
  void SetEvents(IIJobRequestEvents *Events) override;

protected:
  // Fills the gaps of a definition: no fragment on the page URL, the page's folder as the
  // site bound, the site as the title. A derived request may adjust more.
  virtual void Normalize(TJobRequestDef &Def);

private:
  template <class Field> HRESULT read(Field TJobRequestDef::*field, Field *Value);

  // Recursive: the job's BeforeChange and AfterChange run under the lock and may read the
  // request again on the same thread.
  std::recursive_mutex lock_;
  TJobRequestDef def_;                // guarded by lock_
  ComPtr<IIJobRequestEvents> events_; // guarded by lock_; empty while free
};

ComPtr<IJobRequest> NewJobRequest();
// Registers the JobRequest co-class.
void RegisterJobRequestClass();
int32_t ValidateDef(const TJobRequestDef &Def, IJobRequest *Request, std::string &Message);
// The message for a file name that holds a character file names may not; empty when none.
std::string FileNameFault(const std::string &Name);

} // namespace zs::kernel
