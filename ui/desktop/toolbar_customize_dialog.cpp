// The tool bar customisation dialog: the buttons the tool bar may have on the left, the ones
// it has on the right, in their order.
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <sstream>

#include "ui/desktop/action_table.h"
#include "ui/desktop/dialogs.h"
#include "ui/desktop/program_icons.h"

namespace zs::ui {

namespace {

constexpr const char *separatorName = "-";

class TToolBarCustomizeDialog : public QDialog {
public:
  TToolBarCustomizeDialog(QWidget *Parent, const std::vector<std::string> &Available,
                          const std::string &Current)
      : QDialog(Parent), available_(new QListWidget), current_(new QListWidget) {
    setWindowTitle(tr("Customize Tool Bar"));
    for (const std::string &name : Available)
      addEntry(available_, name);
    std::istringstream names(Current);
    for (std::string name; std::getline(names, name, ',');)
      addEntry(current_, name);

    auto *layout = new QGridLayout(this);
    auto *availableLabel = new QLabel(tr("A&vailable buttons:"));
    availableLabel->setBuddy(available_);
    auto *currentLabel = new QLabel(tr("&Tool bar buttons:"));
    currentLabel->setBuddy(current_);
    layout->addWidget(availableLabel, 0, 0);
    layout->addWidget(currentLabel, 0, 2);
    layout->addWidget(available_, 1, 0);
    layout->addWidget(current_, 1, 2);
    auto *middle = new QVBoxLayout;
    auto button = [&](const QString &caption, auto slot) {
      auto *push = new QPushButton(caption);
      push->setAutoDefault(false);
      connect(push, &QPushButton::clicked, this, slot);
      middle->addWidget(push);
    };
    button(tr("&Add ->"), [this] { add(); });
    button(tr("<- &Remove"), [this] { remove(); });
    button(tr("&Separator"), [this] { insert(separatorName); });
    button(tr("Move &Up"), [this] { move(-1); });
    button(tr("Move &Down"), [this] { move(1); });
    middle->addStretch();
    layout->addLayout(middle, 1, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 2, 0, 1, 3);
  }

  std::string Layout() const {
    std::string layout;
    for (int i = 0; i < current_->count(); ++i) {
      if (i) layout += ',';
      layout += current_->item(i)->data(Qt::UserRole).toString().toStdString();
    }
    return layout;
  }

private:
  static QListWidgetItem *makeEntry(const std::string &name) {
    const bool separator = name == separatorName;
    QString caption = separator ? tr("--- separator ---")
                                : QString::fromStdString(ActionRec(name).Caption).remove('&');
    auto *item = new QListWidgetItem(separator ? QIcon() : ActionIcon(name), caption);
    item->setData(Qt::UserRole, QString::fromStdString(name));
    return item;
  }
  static void addEntry(QListWidget *list, const std::string &name) {
    list->addItem(makeEntry(name));
  }
  void insert(const std::string &name) {
    const int row = current_->currentRow() < 0 ? current_->count() : current_->currentRow() + 1;
    current_->insertItem(row, makeEntry(name));
    current_->setCurrentRow(row);
  }
  void add() {
    if (QListWidgetItem *item = available_->currentItem())
      insert(item->data(Qt::UserRole).toString().toStdString());
  }
  void remove() { delete current_->takeItem(current_->currentRow()); }
  void move(int by) {
    const int row = current_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= current_->count()) return;
    current_->insertItem(to, current_->takeItem(row));
    current_->setCurrentRow(to);
  }

  QListWidget *available_;
  QListWidget *current_;
};

} // namespace

std::optional<std::string> ExecuteToolBarDialog(QWidget *Parent,
                                                const std::vector<std::string> &Available,
                                                const std::string &Current) {
  TToolBarCustomizeDialog dialog(Parent, Available, Current);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Layout();
}

} // namespace zs::ui
