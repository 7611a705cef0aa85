#include "app/gui/songtree_model.h"

#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPen>
#include <array>
#include <vector>

#include "library/scan.h"
#include "library/treeops.h"
#include "platform/codepage.h"
#include "platform/drives.h"

namespace plondex {
namespace {

constexpr int kImageSize = 13;

QPixmap DrawStateImage(CheckState state) {
  QPixmap image(kImageSize, kImageSize);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  const QRect box(0, 0, kImageSize - 1, kImageSize - 1);
  painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  painter.setBrush(state == CheckState::kPartlyChecked ? QColor(0xA0, 0xA0, 0xA0)
                                                       : QColor(Qt::white));
  painter.drawRect(box);
  if (state == CheckState::kChecked) {
    // A check mark two pixels thick: the same stroke drawn twice, one pixel apart.
    painter.setPen(QPen(Qt::black, 1));
    for (int dy = 0; dy < 2; ++dy) {
      painter.drawLine(QPoint(3, 5 + dy), QPoint(5, 7 + dy));
      painter.drawLine(QPoint(5, 7 + dy), QPoint(9, 3 + dy));
    }
  }
  return image;
}

// Where a state's picture stands in the tables below; -1 for a value that is no state.
int StateIndex(CheckState state) {
  const int index = static_cast<int>(state) - static_cast<int>(CheckState::kUnchecked);
  return index >= 0 && index < 3 ? index : -1;
}

// The state image as an icon that looks the same on a selected row: the style would tint it with
// the selection's colour, and an empty box would then look like a partly checked one.
QVariant StateIcon(CheckState state) {
  static const std::array<QIcon, 3> icons = [] {
    std::array<QIcon, 3> made;
    const CheckState states[] = {CheckState::kUnchecked, CheckState::kChecked,
                                 CheckState::kPartlyChecked};
    for (size_t i = 0; i < made.size(); ++i) {
      const QPixmap image = SongTreeModel::StateImage(states[i]);
      made[i].addPixmap(image, QIcon::Normal);
      made[i].addPixmap(image, QIcon::Selected);
    }
    return made;
  }();
  const int index = StateIndex(state);
  return index < 0 ? QVariant() : QVariant(icons[index]);
}

}  // namespace

SongTreeModel::SongTreeModel(SongTree* tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {}

void SongTreeModel::Reset() {
  beginResetModel();
  endResetModel();
}

void SongTreeModel::ReplaceTree(SongTree fresh) {
  beginResetModel();
  *tree_ = std::move(fresh);
  endResetModel();
}

void SongTreeModel::SortTree() {
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  std::vector<SongNode*> nodes;
  nodes.reserve(before.size());
  for (const QModelIndex& index : before) nodes.push_back(NodeAt(index));
  SortSongTree(*tree_);
  QModelIndexList after;
  after.reserve(before.size());
  for (SongNode* node : nodes) after.push_back(IndexOf(node));
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

SongNode* SongTreeModel::NodeAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  return static_cast<SongNode*>(index.internalPointer());
}

QModelIndex SongTreeModel::IndexOf(const SongNode* node) const {
  if (!node) return QModelIndex();
  return createIndex(node->parent ? node->row : 0, 0, const_cast<SongNode*>(node));
}

QPixmap SongTreeModel::StateImage(CheckState state) {
  static const std::array<QPixmap, 3> images{DrawStateImage(CheckState::kUnchecked),
                                             DrawStateImage(CheckState::kChecked),
                                             DrawStateImage(CheckState::kPartlyChecked)};
  const int index = StateIndex(state);
  return index < 0 ? QPixmap() : images[index];
}

QModelIndex SongTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return QModelIndex();
  if (!parent.isValid()) {
    return row == 0 && tree_->root() ? createIndex(0, 0, tree_->root()) : QModelIndex();
  }
  const SongNode* node = NodeAt(parent);
  if (!node || static_cast<size_t>(row) >= node->children.size()) return QModelIndex();
  return createIndex(row, 0, node->children[row].get());
}

QModelIndex SongTreeModel::parent(const QModelIndex& child) const {
  const SongNode* node = NodeAt(child);
  if (!node || !node->parent) return QModelIndex();
  return IndexOf(node->parent);
}

int SongTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return tree_->root() ? 1 : 0;
  if (parent.column() != 0) return 0;
  const SongNode* node = NodeAt(parent);
  return node ? static_cast<int>(node->children.size()) : 0;
}

int SongTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool SongTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant SongTreeModel::data(const QModelIndex& index, int role) const {
  const SongNode* node = NodeAt(index);
  if (!node) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(AnsiToUtf8(node->text));
    case Qt::DecorationRole:
      return StateIcon(node->state);
    case Qt::ToolTipRole: {
      const char letter = drive_letter_ ? NormalizeDriveLetter(drive_letter_()) : 0;
      if (!letter) return QVariant();
      return QString::fromStdString(AnsiToUtf8(NodePath(*node, letter).text()));
    }
    default:
      return QVariant();
  }
}

Qt::ItemFlags SongTreeModel::flags(const QModelIndex& index) const {
  if (!NodeAt(index)) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList SongTreeModel::mimeTypes() const { return {QString::fromLatin1(kMimeType)}; }

QMimeData* SongTreeModel::mimeData(const QModelIndexList& indexes) const {
  const SongNode* node = indexes.isEmpty() ? nullptr : NodeAt(indexes.front());
  if (!node) return nullptr;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kMimeType), QByteArray::fromStdString(AnsiToUtf8(node->text)));
  return mime;
}

Qt::DropActions SongTreeModel::supportedDragActions() const { return Qt::CopyAction; }

}  // namespace plondex
