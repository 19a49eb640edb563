#include "kernel/job_request.h"

#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::kernel {

using platform::SafeCall;

template <class Field> HRESULT TJobRequest::read(Field TJobRequestDef::*field, Field *Value) {
  return SafeCall([&] {
    std::lock_guard guard(lock_);
    *Value = def_.*field;
  });
}

HRESULT TJobRequest::get_Title(std::string *Value) { return read(&TJobRequestDef::Title, Value); }
HRESULT TJobRequest::get_CopyType(TCopyType *Value) {
  return read(&TJobRequestDef::CopyType, Value);
}
HRESULT TJobRequest::get_DownLevel(int32_t *Value) {
  return read(&TJobRequestDef::DownLevel, Value);
}
HRESULT TJobRequest::get_IndexName(std::string *Value) {
  return read(&TJobRequestDef::IndexName, Value);
}
HRESULT TJobRequest::get_PageURL(TURL *Value) { return read(&TJobRequestDef::PageURL, Value); }
HRESULT TJobRequest::get_SiteURL(TURL *Value) { return read(&TJobRequestDef::SiteURL, Value); }
HRESULT TJobRequest::get_AllowLinksAway(bool *Value) {
  return read(&TJobRequestDef::AllowLinksAway, Value);
}
HRESULT TJobRequest::get_ProjectDir(TLocalFileName *Value) {
  return read(&TJobRequestDef::ProjectDir, Value);
}

HRESULT TJobRequest::Change(const TJobRequestDef &Value) {
  return SafeCall([&] {
    std::lock_guard guard(lock_);
    // The job may refuse; then nothing changes and its exception reaches the caller.
    if (events_) events_->BeforeChange(Value);
    const TJobRequestDef oldDef = def_;
    bool beforeAfterChange = true;
    try {
      def_ = Value;
      Normalize(def_);
      beforeAfterChange = false;
      if (events_) events_->AfterChange(oldDef);
    } catch (...) {
      if (!beforeAfterChange) {
        // The new definition stands and the job has been told; what the job could not adjust
        // it reports itself, so the change as such succeeded.
        return;
      }
      // A change that could not be completed must not leave a half-made definition behind,
      // nor pass for a success.
      def_ = oldDef;
      if (events_) events_->ChangeFailed();
      throw;
    }
  });
}

HRESULT TJobRequest::Clone(IJobRequest **Value) {
  return SafeCall([&] {
    ComPtr<IJobRequest> clone = CreateJobRequest();
    TJobRequestDef copy;
    {
      std::lock_guard guard(lock_);
      copy = def_;
    }
    platform::OleCheck(clone->Change(copy));
    *Value = clone.Detach();
  });
}

HRESULT TJobRequest::AsRecDef(TJobRequestDef *Value) {
  return SafeCall([&] {
    std::lock_guard guard(lock_);
    *Value = def_;
  });
}

void TJobRequest::SetIndexName(const std::string &Name) {
  std::lock_guard guard(lock_);
  def_.IndexName = Name;
}

void TJobRequest::SetEvents(IIJobRequestEvents *Events) {
  std::lock_guard guard(lock_);
  if (events_)
    throw platform::EOleSysError(platform::SysErrorMessage(platform::E_UNEXPECTED),
                                 platform::E_UNEXPECTED);
  events_ = Events;
}

void TJobRequest::Normalize(TJobRequestDef &Def) {
  TParsedURL page;
  ParseURL(Def.PageURL, page, false);
  if (!page.Anchor.empty()) {
    page.Anchor.clear();
    Def.PageURL = UnparseURL(page);
  }
  if (Def.SiteURL.empty()) {
    page.FileName.clear();
    page.Query.clear();
    Def.SiteURL = UnparseURL(page);
  }
  if (Def.Title.empty()) Def.Title = Def.SiteURL;
}

ComPtr<IJobRequest> NewJobRequest() { return platform::MakeCom<TJobRequest>(); }

void RegisterJobRequestClass() {
  platform::RegisterComClass(CLSID_JobRequest, "TJobRequest", "",
                             [] { return ComPtr<IUnknown>(NewJobRequest().As<IUnknown>()); });
}

} // namespace zs::kernel
