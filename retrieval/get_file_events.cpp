#include "retrieval/get_file_events.h"

#include <atomic>
#include <functional>
#include <memory>

namespace zs::retrieval {

namespace {

// One report on its way to the display; it holds the display until it has run, and so
// drops that reference in the main thread.
struct TDisplayCall {
  ComPtr<IIGetFileEvents> Display;
  std::function<void(IIGetFileEvents *)> Call;
};

void runDisplayCall(void *Argument) {
  std::unique_ptr<TDisplayCall> call(static_cast<TDisplayCall *>(Argument));
  call->Call(call->Display.get());
}

class TGetFileEvents final : public platform::TComObject<IIGetFileEvents> {
public:
  explicit TGetFileEvents(IKGetFileProcess *Process)
      : display_(CreateGetFileEventsUI.IsFilled() ? CreateGetFileEventsUI(Process->GetURL())
                                                  : nullptr) {}

  ~TGetFileEvents() override {
    if (!display_) return;
    // A display never stays in a half-done state, whatever ended the fetch.
    if (!finishedSent_) post([](IIGetFileEvents *display) { display->Finished(false); });
    ReleaseInMainThread(display_.get());
  }

  void Begin() override {
    post([](IIGetFileEvents *display) { display->Begin(); });
  }
  void Progress(bool SizeKnown, int64_t Position, int64_t Amount) override {
    post([=](IIGetFileEvents *display) { display->Progress(SizeKnown, Position, Amount); });
  }
  void Finished(bool Success) override {
    finishedSent_ = true;
    post([=](IIGetFileEvents *display) { display->Finished(Success); });
  }

private:
  void post(std::function<void(IIGetFileEvents *)> call) {
    if (!display_) return;
    auto message = std::make_unique<TDisplayCall>(TDisplayCall{display_, std::move(call)});
    PostToMainThread(&runDisplayCall, message.get());
    // The queue owns it now; runDisplayCall frees it.
    message.release();
  }

  const ComPtr<IIGetFileEvents> display_; // empty when no front-end shows fetches
  std::atomic<bool> finishedSent_ = false;
};

} // namespace

ComPtr<IIGetFileEvents> NewGetFileEvents(IKGetFileProcess *Process) {
  return platform::MakeCom<TGetFileEvents>(Process);
}

} // namespace zs::retrieval
