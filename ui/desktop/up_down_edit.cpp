#include "ui/desktop/up_down_edit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

namespace zs::ui {

TUpDownEdit::TUpDownEdit(int Min, int Max, QWidget *Parent)
    : QWidget(Parent), min_(Min), max_(Max), position_(Min), edit_(new QLineEdit(this)) {
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_->setMaximumWidth(edit_->fontMetrics().horizontalAdvance(QString::number(Max)) + 24);
  layout->addWidget(edit_);
  auto *arrows = new QVBoxLayout;
  arrows->setSpacing(0);
  for (int by : {1, -1}) {
    auto *button = new QToolButton(this);
    button->setArrowType(by > 0 ? Qt::UpArrow : Qt::DownArrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    connect(button, &QToolButton::clicked, this, [this, by] { step(by); });
    arrows->addWidget(button);
  }
  layout->addLayout(arrows);
  layout->addStretch();
  setFocusProxy(edit_);
  edit_->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString &text) {
    bool number = false;
    const long long typed = text.trimmed().toLongLong(&number);
    if (number) position_ = int(std::clamp<long long>(typed, min_, max_));
  });
  SetPosition(Min);
}

void TUpDownEdit::SetPosition(int Position) {
  position_ = std::clamp(Position, min_, max_);
  edit_->setText(QString::number(position_));
}

void TUpDownEdit::SetReadOnly(bool ReadOnly) {
  edit_->setReadOnly(ReadOnly);
  for (QToolButton *button : findChildren<QToolButton *>())
    button->setEnabled(!ReadOnly);
}

void TUpDownEdit::step(int By) {
  if (edit_->isReadOnly()) return;
  SetPosition(position_ + By);
  Q_EMIT edit_->textEdited(edit_->text());
}

bool TUpDownEdit::eventFilter(QObject *Watched, QEvent *Event) {
  if (Watched == edit_ && Event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(Event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}

} // namespace zs::ui
