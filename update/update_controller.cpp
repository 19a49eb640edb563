#include "update/update_controller.h"

#include <memory>

#include "platform/class_table.h"
#include "platform/safecall.h"

namespace zs::update {

using platform::OleCheck;
using platform::SafeCall;

namespace {

int32_t versionNumber(uint16_t Major, uint16_t Minor) { return int32_t(Major) * 65536 + Minor; }

// The job of the list whose request carries the update mark; empty when there is none.
ComPtr<IGetSiteJob> findUpdateJob() {
  for (const ComPtr<IGetSiteJob> &job : QueueJobs()) {
    ComPtr<IJobRequest> request;
    OleCheck(job->get_JobRequest(request.put()));
    if (request && request.As<IUpdJobRequest>()) return job;
  }
  return nullptr;
}

class TUpdateController final
    : public platform::TComObject<platform::TDispatchStub<IUpdateController>,
                                  IILinkMessageSupport> {
public:
  HRESULT GetVersion(int32_t *Value) override {
    return SafeCall([&] {
      uint16_t major = 0, minor = 0, release = 0;
      OleCheck(GetProfiler()->GetVersion(&major, &minor, &release));
      *Value = versionNumber(major, minor);
    });
  }

  HRESULT GetModuleVersion(const TLocalFileName &ModuleName, int32_t *Value) override {
    return SafeCall([&] {
      uint16_t major = 0, minor = 0, release = 0;
      bool found = false;
      OleCheck(GetProfiler()->GetModuleVersion(ModuleName, &major, &minor, &release, &found));
      *Value = found ? versionNumber(major, minor) : 0;
    });
  }

  // Any thread: the work is done in the main thread.
  HRESULT AddUpdateFile(const TURL &URL) override {
    return SafeCall([&] {
      auto message = std::make_unique<TURL>(URL);
      PostLinkMessage(static_cast<IILinkMessageSupport *>(this), message.get());
      // The queue holds it now; DispatchMessage frees it.
      message.release();
    });
  }

  // In the main thread: a second update file joins the update job there is.
  void DispatchMessage(void *Message) override {
    const std::unique_ptr<TURL> url(static_cast<TURL *>(Message));
    ComPtr<IGetSiteJob> job = findUpdateJob();
    if (job) {
      ComPtr<ILinkList> links;
      OleCheck(job->get_LinkList(links.put()));
      OleCheck(links->AddUserLink(*url));
    } else {
      CreateJobWithEvents(CreateUpdJobRequest(*url).get(), CreateUpdGetSiteEvents.Get());
      job = findUpdateJob();
    }
    TJobState state = jsStopped;
    if (job) OleCheck(job->get_State(&state));
    if (job && state != jsRunning) OleCheck(job->Run());
  }
};

} // namespace

ComPtr<IUpdateController> NewUpdateController() { return platform::MakeCom<TUpdateController>(); }

void RegisterUpdateControllerClass() {
  platform::RegisterComClass(CLSID_UpdateController, "TUpdateController", "",
                             [] { return ComPtr<IUnknown>(NewUpdateController().As<IUnknown>()); });
}

} // namespace zs::update
