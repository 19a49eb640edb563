#include "ui/desktop/get_file_events_ui.h"

#include <QPointer>
#include <climits>

#include "ui/desktop/indicator_panel.h"
#include "ui/desktop/main_window.h"

namespace zs::ui {

std::string FetchSizeText(int64_t Bytes) {
  if (Bytes < 1000) return std::to_string(Bytes) + " bytes";
  if (Bytes < 1024000) return std::to_string(Bytes / 1024) + " KB";
  return std::to_string(Bytes / 1048576) + " MB";
}

namespace {

class TGetFileEventsUI final : public platform::TComObject<IIGetFileEvents> {
public:
  explicit TGetFileEventsUI(std::string URL) : text_(std::move(URL)) {}
  ~TGetFileEventsUI() override { release(); }

  void Begin() override {
    TMainWindow *window = TMainWindow::Instance();
    if (!window || indicator_) return;
    indicator_ = window->IndicatorPanel()->Acquire();
    indicator_->setRange(0, 100);
    indicator_->setValue(0);
    indicator_->SetText(QString::fromStdString(text_));
  }

  void Progress(bool SizeKnown, int64_t Position, int64_t Amount) override {
    if (!indicator_) return;
    if (SizeKnown) {
      // A bar counts in int: a file beyond that is shown in thousandths.
      const bool huge = Amount > INT_MAX;
      indicator_->setRange(0, huge ? 1000 : int(Amount));
      indicator_->setValue(huge ? int(Position * 1000 / Amount) : int(Position));
      indicator_->SetText(QString::fromStdString(text_ + " " + FetchSizeText(Position) + " of " +
                                                 FetchSizeText(Amount) + " done"));
    } else {
      indicator_->setRange(0, 100);
      indicator_->setValue(int(Position));
      indicator_->SetText(QString::fromStdString(text_ + " " + FetchSizeText(Amount) + " done"));
    }
  }

  void Finished(bool) override { release(); }

private:
  void release() {
    if (!indicator_) return;
    if (TMainWindow *window = TMainWindow::Instance())
      window->IndicatorPanel()->Release(indicator_);
    indicator_ = nullptr;
  }

  const std::string text_;
  QPointer<TIndicator> indicator_; // empty when the panel went first
};

} // namespace

ComPtr<IIGetFileEvents> NewGetFileEventsUI(const std::string &URL) {
  return platform::MakeCom<TGetFileEventsUI>(URL);
}

} // namespace zs::ui
