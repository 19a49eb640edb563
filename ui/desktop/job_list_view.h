// The list of jobs: one row per job, its title and an image of its state, several rows
// selectable; each row is bound to its job's event sink.
#pragma once

#include <QTreeWidget>
#include <vector>

namespace zs::ui {

class TGetSiteEvents;

class TJobListView : public QTreeWidget {
  Q_OBJECT
public:
  explicit TJobListView(QWidget *Parent);

  QTreeWidgetItem *AddJobItem(TGetSiteEvents *Sink, const QString &Title, int Image);
  static TGetSiteEvents *SinkOf(const QTreeWidgetItem *Item);
  std::vector<QTreeWidgetItem *> Items() const;
  // The selected rows in list order.
  std::vector<QTreeWidgetItem *> SelectedInOrder() const;
  // Selects the row alone; an earlier selection is cleared.
  void SelectAlone(QTreeWidgetItem *Item);
  // The right edge of the widest title as drawn, plus the six pixels of air a title gets
  // when the list is fitted to it.
  int WidestTitle() const;
};

} // namespace zs::ui
