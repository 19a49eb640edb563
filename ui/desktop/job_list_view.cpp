#include "ui/desktop/job_list_view.h"

#include <QHeaderView>
#include <algorithm>

namespace zs::ui {

TJobListView::TJobListView(QWidget *Parent) : QTreeWidget(Parent) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFrameShape(QFrame::NoFrame);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setProperty("helpTopic", 18);
  setAccessibleName(tr("My JobList"));
}

QTreeWidgetItem *TJobListView::AddJobItem(TGetSiteEvents *Sink, const QString &Title, int Image) {
  auto *item = new QTreeWidgetItem(this, {Title});
  item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(Sink)));
  item->setData(0, Qt::UserRole + 1, Image);
  return item;
}

TGetSiteEvents *TJobListView::SinkOf(const QTreeWidgetItem *Item) {
  return Item ? reinterpret_cast<TGetSiteEvents *>(Item->data(0, Qt::UserRole).value<quintptr>())
              : nullptr;
}

std::vector<QTreeWidgetItem *> TJobListView::Items() const {
  std::vector<QTreeWidgetItem *> items;
  for (int i = 0; i < topLevelItemCount(); ++i)
    items.push_back(topLevelItem(i));
  return items;
}

std::vector<QTreeWidgetItem *> TJobListView::SelectedInOrder() const {
  std::vector<QTreeWidgetItem *> selected;
  for (QTreeWidgetItem *item : Items())
    if (item->isSelected()) selected.push_back(item);
  return selected;
}

void TJobListView::SelectAlone(QTreeWidgetItem *Item) {
  clearSelection();
  setCurrentItem(Item);
  Item->setSelected(true);
}

int TJobListView::WidestTitle() const {
  int widest = 0;
  for (QTreeWidgetItem *item : Items()) {
    if (item->isHidden()) continue;
    const QRect rect = visualItemRect(item);
    const int textRight =
        rect.left() + iconSize().width() + 8 + fontMetrics().horizontalAdvance(item->text(0));
    widest = std::max(widest, textRight);
  }
  return widest + 2 * frameWidth() + 6;
}

} // namespace zs::ui
