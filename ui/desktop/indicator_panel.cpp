#include "ui/desktop/indicator_panel.h"

#include <algorithm>

namespace zs::ui {

TIndicator::TIndicator(QWidget *Parent) : QProgressBar(Parent) {
  setTextVisible(true);
  setRange(0, 100);
  setValue(0);
  hide();
}

void TIndicator::SetText(const QString &Text) {
  text_ = Text;
  // The bar shows its format; a per cent sign of the text must stay one.
  setFormat(QString(Text).replace('%', "%%"));
  setToolTip(Text);
}

std::vector<TIndicatorSlot> IndicatorSlots(int ClientWidth, int Count) {
  std::vector<TIndicatorSlot> places;
  if (Count <= 0) return places;
  const int usable = ClientWidth - 2;
  const int width = usable / Count;
  const int margin = (usable - width * Count) / 2;
  for (int i = 0; i < Count; ++i)
    places.push_back({margin + i * width, width - 1});
  return places;
}

TIndicatorPanel::TIndicatorPanel(QWidget *Parent, int DesignWidth) : QWidget(Parent) {
  setMinimumWidth(DesignWidth);
}

TIndicatorPanel::~TIndicatorPanel() = default;

void TIndicatorPanel::SetCount(int Count) {
  Count = std::max(Count, 0);
  while (int(placed_.size()) < Count)
    placed_.push_back(new TIndicator(this));
  while (int(placed_.size()) > Count) {
    TIndicator *surplus = placed_.back();
    placed_.pop_back();
    if (surplus->inUse_) {
      surplus->hide();
      outside_.push_back(surplus);
    } else {
      delete surplus;
    }
  }
  layOut();
}

TIndicator *TIndicatorPanel::Acquire() {
  auto free = std::ranges::find_if(placed_, [](TIndicator *i) { return !i->inUse_; });
  TIndicator *indicator = nullptr;
  if (free != placed_.end()) {
    indicator = *free;
    indicator->show();
  } else {
    indicator = new TIndicator(this);
    outside_.push_back(indicator);
  }
  indicator->inUse_ = true;
  indicator->setValue(0);
  return indicator;
}

void TIndicatorPanel::Release(TIndicator *Indicator) {
  Indicator->inUse_ = false;
  Indicator->SetText({});
  if (auto out = std::ranges::find(outside_, Indicator); out != outside_.end()) {
    outside_.erase(out);
    delete Indicator;
    return;
  }
  Indicator->hide();
}

void TIndicatorPanel::resizeEvent(QResizeEvent *Event) {
  QWidget::resizeEvent(Event);
  layOut();
}

void TIndicatorPanel::layOut() {
  const std::vector<TIndicatorSlot> places = IndicatorSlots(width(), Count());
  for (size_t i = 0; i < places.size(); ++i)
    placed_[i]->setGeometry(places[i].Left, 0, places[i].Width, height());
}

} // namespace zs::ui
