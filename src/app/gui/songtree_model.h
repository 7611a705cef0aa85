#pragma once

// The song tree as an item model. The core's tree is the one copy: the model keeps no nodes of
// its own and hands out the tree's node pointers as its index pointers.

#include <QAbstractItemModel>
#include <QPixmap>
#include <functional>

#include "library/songtree.h"

namespace plondex {

class SongTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The mime type of a drag out of the tree. Drop targets recognise a tree drag by its source
  // widget; the data only names the node for anyone else.
  static constexpr const char* kMimeType = "application/x-plondex-song-node";

  explicit SongTreeModel(SongTree* tree, QObject* parent = nullptr);

  // The drive letter that node paths (the tooltips) begin with, asked when one is shown.
  void SetDriveLetterSource(std::function<char()> source) { drive_letter_ = std::move(source); }

  // Call after the tree was rebuilt or cleared: every index handed out before is dropped.
  void Reset();
  // Puts fresh in the tree's place. The views let go of the old nodes before they are freed.
  void ReplaceTree(SongTree fresh);
  // Sorts the tree's children at every level; expanded folders and the selection stay.
  void SortTree();

  SongNode* NodeAt(const QModelIndex& index) const;
  QModelIndex IndexOf(const SongNode* node) const;

  // The 13 by 13 picture of a check state: 1 an empty white box, 2 a white box with a black
  // check mark, 3 a box filled grey. Any other value has no picture.
  static QPixmap StateImage(CheckState state);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;

 private:
  SongTree* tree_;
  std::function<char()> drive_letter_;
};

}  // namespace plondex
