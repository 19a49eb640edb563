#include "ui/desktop/directory_tree_view.h"

#include "ui/desktop/program_icons.h"

namespace zs::ui {

namespace {

enum TRole { rlEntry = Qt::UserRole, rlKind, rlFilled };

} // namespace

TDirectoryTreeView::TDirectoryTreeView(QWidget *Parent) : QTreeWidget(Parent) {
  setHeaderHidden(true);
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFrameShape(QFrame::NoFrame);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *node) {
    if (!filled(node)) fillChildren(node);
  });
}

void TDirectoryTreeView::Bind(ComPtr<IILinkListView> View) {
  Unbind();
  view_ = std::move(View);
  if (!view_) return;
  view_->ForEach(nullptr, [this](TLinkEntry *entry, TLinkEntryKind kind, const std::string &name) {
    makeNode(nullptr, entry, kind, name);
  });
}

void TDirectoryTreeView::Unbind() {
  clear();
  view_ = nullptr;
}

TLinkEntry *TDirectoryTreeView::entryOf(const QTreeWidgetItem *Node) {
  return reinterpret_cast<TLinkEntry *>(Node->data(0, rlEntry).value<quintptr>());
}

bool TDirectoryTreeView::filled(const QTreeWidgetItem *Node) {
  return Node->data(0, rlFilled).toBool();
}

QTreeWidgetItem *TDirectoryTreeView::makeNode(QTreeWidgetItem *Parent, TLinkEntry *Entry,
                                              TLinkEntryKind Kind, const std::string &Name) {
  auto *node = new QTreeWidgetItem({QString::fromStdString(Name)});
  node->setData(0, rlEntry, QVariant::fromValue(reinterpret_cast<quintptr>(Entry)));
  node->setData(0, rlKind, int(Kind));
  node->setData(0, rlFilled, Kind == lekFile);
  if (Kind != lekFile && view_->HasChildren(Entry))
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  if (Parent)
    Parent->addChild(node);
  else
    addTopLevelItem(node);
  setImage(node);
  return node;
}

void TDirectoryTreeView::setImage(QTreeWidgetItem *Node) {
  const auto kind = TLinkEntryKind(Node->data(0, rlKind).toInt());
  const int image = kind == lekHost        ? 3
                    : kind == lekDirectory ? 4
                                           : FileStateImage(view_->GetState(entryOf(Node)));
  Node->setIcon(0, ImageIcon(image));
}

void TDirectoryTreeView::fillChildren(QTreeWidgetItem *Node) {
  qDeleteAll(Node->takeChildren());
  Node->setData(0, rlFilled, true);
  view_->ForEach(entryOf(Node),
                 [&](TLinkEntry *entry, TLinkEntryKind kind, const std::string &name) {
                   makeNode(Node, entry, kind, name);
                 });
  Node->setChildIndicatorPolicy(Node->childCount() ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem *TDirectoryTreeView::childOf(QTreeWidgetItem *Parent, TLinkEntry *Entry) const {
  const int count = Parent ? Parent->childCount() : topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    QTreeWidgetItem *child = Parent ? Parent->child(i) : topLevelItem(i);
    if (entryOf(child) == Entry) return child;
  }
  return nullptr;
}

void TDirectoryTreeView::UpdatePath(const TEntryList &Path) {
  if (!view_) return;
  QTreeWidgetItem *parent = nullptr;
  for (size_t level = 0; level < Path.size(); ++level) {
    QTreeWidgetItem *node = childOf(parent, Path[level]);
    if (!node) {
      if (parent && !filled(parent)) {
        // Its children are read when it is opened; it has some now.
        parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
      }
      const TLinkEntryKind kind = level == 0                ? lekHost
                                  : level + 1 < Path.size() ? lekDirectory
                                                            : lekFile;
      node =
          makeNode(parent, Path[level], kind, view_->GetDisplayName(Path[level], kind != lekFile));
    } else {
      setImage(node);
    }
    parent = node;
  }
}

void TDirectoryTreeView::Refill(const TEntryList &Path) {
  if (!view_) return;
  QTreeWidgetItem *node = nullptr;
  for (TLinkEntry *entry : Path)
    if (!(node = childOf(node, entry))) return;
  if (!node) return;
  if (TLinkEntryKind(node->data(0, rlKind).toInt()) == lekFile)
    setImage(node);
  else if (filled(node))
    fillChildren(node);
}

} // namespace zs::ui
