// The directory tree of the job shown in the detail pane: its hosts, folders and files as
// its link list holds them, filled level by level as the user opens folders.
#pragma once

#include <QTreeWidget>

#include "kernel/interfaces.h"

namespace zs::ui {

class TDirectoryTreeView : public QTreeWidget {
  Q_OBJECT
public:
  explicit TDirectoryTreeView(QWidget *Parent);

  // Shows the hosts of View; Unbind empties the tree.
  void Bind(ComPtr<IILinkListView> View);
  void Unbind();
  bool Bound() const { return static_cast<bool>(view_); }
  // A link met along Path: the nodes that are there are brought up to date, and a new one
  // appears where its parent's children are shown.
  void UpdatePath(const TEntryList &Path);
  // The children of the entry at the end of Path are read again (a file: its image).
  void Refill(const TEntryList &Path);

private:
  QTreeWidgetItem *makeNode(QTreeWidgetItem *Parent, TLinkEntry *Entry, TLinkEntryKind Kind,
                            const std::string &Name);
  void setImage(QTreeWidgetItem *Node);
  void fillChildren(QTreeWidgetItem *Node);
  QTreeWidgetItem *childOf(QTreeWidgetItem *Parent, TLinkEntry *Entry) const;
  static TLinkEntry *entryOf(const QTreeWidgetItem *Node);
  static bool filled(const QTreeWidgetItem *Node);

  ComPtr<IILinkListView> view_;
};

} // namespace zs::ui
