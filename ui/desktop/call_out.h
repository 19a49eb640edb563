// A balloon in the tool-tip colours that points at a control and says what is wrong with it.
// It lies over the window of the control and goes as soon as the person types or clicks.
#pragma once

#include <QPointer>
#include <QWidget>

namespace zs::ui {

class TCallOut : public QWidget {
  Q_OBJECT
public:
  explicit TCallOut(QWidget *Window);

  // Shows the page that holds Target, gives it the focus and points at it with Text (lines
  // separated by "\r\n" or "\n").
  void Point(QWidget *Target, const QString &Text);
  void Dismiss();

  QString Text() const { return text_; }
  QWidget *Target() const { return target_; }

protected:
  void paintEvent(QPaintEvent *Event) override;
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  QRect textRect() const;

  QString text_;
  QPointer<QWidget> target_;
  int pointerX_ = 0; // where the pointer leaves the balloon, in its own coordinates
};

} // namespace zs::ui
