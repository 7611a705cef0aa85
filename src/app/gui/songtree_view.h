#pragma once

// The song tree pane: the player's folders and songs with their check icons. A press of any mouse
// button on a check icon, or Space, toggles the node; songs and folders can be dragged out.

#include <QRect>
#include <QStringList>
#include <QTreeView>

#include "app/gui/songtree_model.h"
#include "library/songtree.h"

namespace plondex {

class StateIconDelegate;

class SongTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit SongTreeView(SongTree* tree, QWidget* parent = nullptr);

  // Shows the tree afresh after it was rebuilt, with the root's children in view. Call it after
  // every rebuild of the tree, before the event loop runs again: until then the view still
  // points at the old nodes.
  void Reload();
  // Shows fresh in place of the tree shown so far, which is freed only once the view has let go
  // of its nodes.
  void ReplaceTree(SongTree fresh);
  // Repaints after check states were changed from outside.
  void StatesChanged();
  // The selected node, or nullptr.
  SongNode* SelectedNode() const;
  void ExpandAllNodes();
  void CollapseAllNodes();
  // Sorts the tree at every level; what was expanded or selected stays so.
  void SortNodes();

  SongTreeModel* song_model() const { return model_; }

 signals:
  // Local files or folders were dropped on the tree from another program (native paths).
  void FilesDropped(const QStringList& paths);

 public:
  // Where the node's check icon is drawn, in viewport coordinates; empty when not in view.
  QRect StateIconRect(const QModelIndex& index) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // A press on a check icon toggles that node; anywhere else it does nothing here.
  void treeMouseDown(const QPoint& point);
  // Space toggles the selected node and is consumed; true when the key was handled.
  bool treeKeyDown(QKeyEvent* event);
  void Toggle(SongNode* node);
  // The local files a drop from another program carries; none for any other drop.
  QStringList DroppedFiles(const QDropEvent* event) const;
  void ExpandRoot();

  SongTreeModel* model_;
  StateIconDelegate* delegate_;
  const QMouseEvent* double_click_ = nullptr;  // the double click being handled
};

}  // namespace plondex
