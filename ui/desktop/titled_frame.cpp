#include "ui/desktop/titled_frame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace zs::ui {

TTitledFrame::TTitledFrame(const QString &Caption, TButton Button, QWidget *Parent)
    : QFrame(Parent), caption_(new QLabel(Caption)), button_(new QToolButton) {
  setFrameShape(QFrame::StyledPanel);
  auto *bar = new QWidget;
  bar->setAutoFillBackground(true);
  bar->setBackgroundRole(QPalette::Mid);
  auto *barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(4, 1, 1, 1);
  caption_->setTextFormat(Qt::PlainText);
  QFont bold = caption_->font();
  bold.setBold(true);
  caption_->setFont(bold);
  barLayout->addWidget(caption_, 1);
  button_->setAutoRaise(true);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setIcon(style()->standardIcon(Button == tbClose ? QStyle::SP_TitleBarCloseButton
                                                           : QStyle::SP_TitleBarMaxButton));
  button_->setToolTip(Button == tbClose ? tr("Close") : tr("Expand"));
  connect(button_, &QToolButton::clicked, this, &TTitledFrame::ButtonClicked);
  barLayout->addWidget(button_);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  layout->addWidget(bar);
}

void TTitledFrame::SetContent(QWidget *Content) {
  static_cast<QVBoxLayout *>(layout())->addWidget(Content, 1);
}

void TTitledFrame::SetCaption(const QString &Caption) { caption_->setText(Caption); }
QString TTitledFrame::Caption() const { return caption_->text(); }

} // namespace zs::ui
