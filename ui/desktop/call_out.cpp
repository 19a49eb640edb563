#include "ui/desktop/call_out.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTabWidget>
#include <QToolTip>

namespace zs::ui {

namespace {

constexpr int pointerHeight = 10;
constexpr int margin = 6;

} // namespace

TCallOut::TCallOut(QWidget *Window) : QWidget(Window) {
  setObjectName("CallOut");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setPalette(QToolTip::palette());
  setFont(QToolTip::font());
  hide();
}

QRect TCallOut::textRect() const {
  return QRect(margin, pointerHeight + margin, width() - 2 * margin,
               height() - pointerHeight - 2 * margin);
}

void TCallOut::Point(QWidget *Target, const QString &Text) {
  // The page of a tab widget that holds the control comes to the front first.
  for (QWidget *page = Target; page && page->parentWidget(); page = page->parentWidget())
    if (auto *pages = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget()))
      if (const int index = pages->indexOf(page); index >= 0) pages->setCurrentIndex(index);
  Target->setFocus();
  text_ = QString(Text).replace("\r\n", "\n");
  target_ = Target;
  QWidget *window = parentWidget();
  const QSize textSize = fontMetrics().size(0, text_);
  resize(textSize.width() + 2 * margin, textSize.height() + pointerHeight + 2 * margin);
  // Below the control, its pointer a little inside the control's left edge; kept inside the
  // window.
  const QPoint below = Target->mapTo(window, QPoint(0, Target->height()));
  const int x = std::clamp(below.x(), 0, std::max(0, window->width() - width()));
  pointerX_ = std::clamp(below.x() - x + 16, margin + 8, width() - margin - 8);
  move(x, below.y());
  qApp->installEventFilter(this);
  show();
  raise();
  update();
}

void TCallOut::Dismiss() {
  qApp->removeEventFilter(this);
  target_ = nullptr;
  hide();
}

bool TCallOut::eventFilter(QObject *Watched, QEvent *Event) {
  // A key typed or a button pressed anywhere in the window means the person has moved on.
  const QEvent::Type type = Event->type();
  if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress) {
    auto *widget = qobject_cast<QWidget *>(Watched);
    if (widget && widget->window() == window()) Dismiss();
  }
  return QWidget::eventFilter(Watched, Event);
}

void TCallOut::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath balloon;
  balloon.addRoundedRect(
      QRectF(0.5, pointerHeight + 0.5, width() - 1, height() - pointerHeight - 1), 5, 5);
  QPainterPath pointer;
  pointer.moveTo(pointerX_ - 8, pointerHeight + 1);
  pointer.lineTo(pointerX_ - 8, 0.5);
  pointer.lineTo(pointerX_ + 4, pointerHeight + 1);
  pointer.closeSubpath();
  painter.setPen(palette().color(QPalette::ToolTipText));
  painter.setBrush(palette().color(QPalette::ToolTipBase));
  painter.drawPath(balloon.united(pointer));
  painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignTop, text_);
}

} // namespace zs::ui
