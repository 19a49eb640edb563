// A frame with a caption bar above its content, and one button at the caption's right end
// (expand, or close).
#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

namespace zs::ui {

class TTitledFrame : public QFrame {
  Q_OBJECT
public:
  enum TButton { tbExpand, tbClose };
  TTitledFrame(const QString &Caption, TButton Button, QWidget *Parent);

  void SetContent(QWidget *Content);
  void SetCaption(const QString &Caption);
  QString Caption() const;
  QToolButton *Button() const { return button_; }

Q_SIGNALS:
  void ButtonClicked();

private:
  QLabel *caption_;
  QToolButton *button_;
};

} // namespace zs::ui
