// A number edit with an up-down beside it. The edit takes any text, so that a form can say
// what is wrong with a number out of range; the up-down and the arrow keys step within the
// range.
#pragma once

#include <QLineEdit>
#include <QWidget>

namespace zs::ui {

class TUpDownEdit : public QWidget {
  Q_OBJECT
public:
  TUpDownEdit(int Min, int Max, QWidget *Parent);

  QLineEdit *Edit() const { return edit_; }
  // The up-down's position: the number typed, brought into the range; the last position
  // while the text is no number.
  int Position() const { return position_; }
  void SetPosition(int Position);
  void SetReadOnly(bool ReadOnly);

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  void step(int By);

  int min_, max_, position_;
  QLineEdit *edit_;
};

} // namespace zs::ui
