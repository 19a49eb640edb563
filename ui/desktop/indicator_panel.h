// The status bar's progress indicators: one per fetch that may run at once, side by side,
// each showing the fetch that holds it.
#pragma once

#include <QProgressBar>
#include <QWidget>
#include <vector>

namespace zs::ui {

// One progress indicator; its text names the fetch and how far it got.
class TIndicator : public QProgressBar {
  Q_OBJECT
public:
  explicit TIndicator(QWidget *Parent);
  void SetText(const QString &Text);
  QString Text() const { return text_; }
  bool InUse() const { return inUse_; }

private:
  friend class TIndicatorPanel;
  QString text_;
  bool inUse_ = false;
};

// Where indicator i of Count lies in a panel ClientWidth wide: slots of equal width w =
// (ClientWidth - 2) / Count, centred, each indicator one pixel narrower than its slot.
struct TIndicatorSlot {
  int Left;
  int Width;
};
std::vector<TIndicatorSlot> IndicatorSlots(int ClientWidth, int Count);

class TIndicatorPanel : public QWidget {
  Q_OBJECT
public:
  // The design width is the least the panel is given.
  TIndicatorPanel(QWidget *Parent, int DesignWidth);
  ~TIndicatorPanel() override;

  // Grows or shrinks the array to Count and lays it out. Indicators in use that no longer
  // fit stay until their fetch lets them go.
  void SetCount(int Count);
  int Count() const { return static_cast<int>(placed_.size()); }
  const std::vector<TIndicator *> &Placed() const { return placed_; }

  // The first free indicator, shown; when all are taken, a hidden one outside the array,
  // so that a fetch always has one.
  TIndicator *Acquire();
  void Release(TIndicator *Indicator);

protected:
  void resizeEvent(QResizeEvent *Event) override;

private:
  void layOut();
  std::vector<TIndicator *> placed_;
  std::vector<TIndicator *> outside_; // in use, beyond the array
};

} // namespace zs::ui
