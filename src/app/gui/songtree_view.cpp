#include "app/gui/songtree_view.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QUrl>

#include "library/checkstates.h"

namespace plondex {

// Lays the check icon out exactly as it is painted, so the hit test and the picture agree.
class StateIconDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QRect IconRect(QStyleOptionViewItem option, const QModelIndex& index) const {
    initStyleOption(&option, index);
    if (!(option.features & QStyleOptionViewItem::HasDecoration)) return QRect();
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, widget);
  }
};

SongTreeView::SongTreeView(SongTree* tree, QWidget* parent)
    : QTreeView(parent),
      model_(new SongTreeModel(tree, this)),
      delegate_(new StateIconDelegate(this)) {
  setObjectName(QStringLiteral("tree"));
  setModel(model_);
  setItemDelegate(delegate_);
  setHeaderHidden(true);
  // The column is as wide as the widest name shown, so a long name scrolls into view rather
  // than being cut.
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  setIndentation(19);
  setIconSize(QSize(13, 13));
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  // Files and folders dropped from the desktop are sent to the player.
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  // The selection keeps its active look when the tree loses the focus.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight,
                   colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
}

void SongTreeView::Reload() {
  model_->Reset();
  ExpandRoot();
}

void SongTreeView::ReplaceTree(SongTree fresh) {
  model_->ReplaceTree(std::move(fresh));
  ExpandRoot();
}

void SongTreeView::ExpandRoot() {
  const QModelIndex root = model_->index(0, 0);
  if (root.isValid()) expand(root);
}

void SongTreeView::StatesChanged() { viewport()->update(); }

SongNode* SongTreeView::SelectedNode() const {
  if (!selectionModel()) return nullptr;
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  return selected.isEmpty() ? nullptr : model_->NodeAt(selected.front());
}

void SongTreeView::ExpandAllNodes() { expandAll(); }

void SongTreeView::CollapseAllNodes() { collapseAll(); }

void SongTreeView::SortNodes() { model_->SortTree(); }

QRect SongTreeView::StateIconRect(const QModelIndex& index) const {
  if (!model_->NodeAt(index)) return QRect();
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.widget = this;
  option.rect = visualRect(index);
  if (!option.rect.isValid()) return QRect();
  return delegate_->IconRect(option, index);
}

void SongTreeView::treeMouseDown(const QPoint& point) {
  const QModelIndex index = indexAt(point);
  if (StateIconRect(index).contains(point)) Toggle(model_->NodeAt(index));
}

bool SongTreeView::treeKeyDown(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) return false;
  Toggle(SelectedNode());
  return true;
}

void SongTreeView::Toggle(SongNode* node) {
  if (!node) return;
  ToggleNode(node);
  StatesChanged();
}

void SongTreeView::mousePressEvent(QMouseEvent* event) {
  if (event != double_click_) treeMouseDown(event->position().toPoint());
  QTreeView::mousePressEvent(event);
}

// The second press of a double click arrives as a double click; it is a press all the same. The
// tree passes a double click on another node than the one pressed on to mousePressEvent, which
// must not toggle a second time.
void SongTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  treeMouseDown(event->position().toPoint());
  double_click_ = event;
  QTreeView::mouseDoubleClickEvent(event);
  double_click_ = nullptr;
}

void SongTreeView::keyPressEvent(QKeyEvent* event) {
  if (treeKeyDown(event)) {
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

QStringList SongTreeView::DroppedFiles(const QDropEvent* event) const {
  QStringList files;
  // The tree's own drags carry nodes for the playlists, not files.
  if (event->source() == this || !event->mimeData()->hasUrls()) return files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.push_back(url.toLocalFile());
  }
  return files;
}

void SongTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFiles(event).isEmpty()) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void SongTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFiles(event).isEmpty()) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void SongTreeView::dropEvent(QDropEvent* event) {
  const QStringList files = DroppedFiles(event);
  if (files.isEmpty()) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  // After the drop has ended: sending shows dialogs of its own.
  QMetaObject::invokeMethod(
      this, [this, files] { emit FilesDropped(files); }, Qt::QueuedConnection);
}

}  // namespace plondex
