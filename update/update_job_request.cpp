#include "update/update_job_request.h"

#include "platform/folders.h"
#include "platform/safecall.h"

namespace zs::update {

using platform::OleCheck;

namespace {

// A request of the kernel's own kind does the work; this one adds the mark and refuses every
// change after it was made.
class TUpdJobRequest final
    : public platform::TComObject<IJobRequest, IIJobRequest, IUpdJobRequest> {
public:
  explicit TUpdJobRequest(const TURL &URL) : request_(CreateJobRequest()) {
    TJobRequestDef def;
    def.Title = "Zelvor automatic update";
    def.CopyType = ctExact;
    def.DownLevel = -1;
    def.IndexName = "index.htm";
    def.PageURL = URL;
    def.SiteURL = UpdateSiteURL();
    def.AllowLinksAway = false;
    def.ProjectDir = platform::TempFolder() + UpdateFolderName;
    // Still free, the inner request takes the definition as its own setter would.
    OleCheck(request_->Change(def));
  }

  HRESULT get_Title(std::string *Value) override { return request_->get_Title(Value); }
  HRESULT get_CopyType(TCopyType *Value) override { return request_->get_CopyType(Value); }
  HRESULT get_DownLevel(int32_t *Value) override { return request_->get_DownLevel(Value); }
  HRESULT get_IndexName(std::string *Value) override { return request_->get_IndexName(Value); }
  HRESULT get_PageURL(TURL *Value) override { return request_->get_PageURL(Value); }
  HRESULT get_SiteURL(TURL *Value) override { return request_->get_SiteURL(Value); }
  HRESULT get_AllowLinksAway(bool *Value) override { return request_->get_AllowLinksAway(Value); }
  HRESULT get_ProjectDir(TLocalFileName *Value) override { return request_->get_ProjectDir(Value); }
  HRESULT Change(const TJobRequestDef &) override { return platform::E_ACCESSDENIED; }
  HRESULT Clone(IJobRequest **Value) override { return request_->Clone(Value); }
  HRESULT AsRecDef(TJobRequestDef *Value) override { return request_->AsRecDef(Value); }

  void SetIndexName(const std::string &Name) override { inner()->SetIndexName(Name); }
  void SetEvents(IIJobRequestEvents *Events) override { inner()->SetEvents(Events); }

private:
  ComPtr<IIJobRequest> inner() const { return request_.As<IIJobRequest>(); }

  const ComPtr<IJobRequest> request_;
};

} // namespace

TURL VendorSiteURL() { return "http://www.zelvor.com/"; }

ComPtr<IJobRequest> NewUpdJobRequest(const TURL &URL) {
  return platform::MakeCom<TUpdJobRequest>(URL);
}

} // namespace zs::update
