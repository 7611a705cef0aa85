#include "app/gui/playlist_panel.h"

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "platform/codepage.h"
#include "platform/error.h"

namespace plondex {
namespace {

QString ToQt(const std::string& ansi) { return QString::fromStdString(AnsiToUtf8(ansi)); }

// The content list: a drag source of its focused entry and a drop target whose decisions the
// panel makes.
class ContentList : public QListWidget {
 public:
  ContentList(PlaylistPanel* panel, QWidget* parent) : QListWidget(parent), panel_(panel) {
    setObjectName("list");
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
  }

 protected:
  void startDrag(Qt::DropActions) override {
    QListWidgetItem* item = currentItem();
    if (!item) return;
    auto* mime = new QMimeData;
    mime->setText(item->text());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // The drop handler moves the entry itself; the answer of the drag is of no interest.
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  }

  void dragEnterEvent(QDragEnterEvent* event) override {
    Decide(event);
    // The state lets the list scroll near its edges while the drag moves on.
    if (event->isAccepted()) setState(DraggingState);
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    QListWidget::dragMoveEvent(event);  // scrolls the list near its edges
    Decide(event);
  }
  void dropEvent(QDropEvent* event) override {
    stopAutoScroll();
    setState(NoState);
    Decide(event);
    if (event->isAccepted()) panel_->listDragDrop(event->source(), event->position().toPoint());
  }

 private:
  void Decide(QDropEvent* event) {
    if (!panel_->listDragOver(event->source())) {
      event->ignore();
    } else if (event->possibleActions() & Qt::CopyAction) {
      // A copy, so that the source never removes what was dragged from it.
      event->setDropAction(Qt::CopyAction);
      event->accept();
    } else {
      event->acceptProposedAction();
    }
  }

  PlaylistPanel* panel_;
};

}  // namespace

PlaylistPanel::PlaylistPanel(Prompter* prompter, const PlayerFiles* files,
                             std::function<PlaylistContext()> context, QWidget* parent)
    : QWidget(parent), prompter_(prompter), playlists_(prompter, files, std::move(context)) {
  auto* group = new QGroupBox("Playlists", this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(group);

  playlist_list_ = new QListWidget(group);
  playlist_list_->setObjectName("ListBox1");
  playlist_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  playlist_list_->viewport()->installEventFilter(this);

  auto* strip = new QWidget(group);
  strip->setObjectName("ButtonStrip");
  strip->setFixedHeight(97);
  auto* buttons = new QGridLayout(strip);
  buttons->setContentsMargins(4, 4, 4, 4);
  auto make_button = [&](const char* name, const char* text, int row, int column,
                         void (PlaylistPanel::*slot)()) {
    auto* button = new QPushButton(text, strip);
    button->setObjectName(name);
    buttons->addWidget(button, row, column);
    connect(button, &QPushButton::clicked, this, slot);
  };
  make_button("Button1", "New", 0, 0, &PlaylistPanel::Button1Click);
  make_button("Button2", "Delete", 0, 1, &PlaylistPanel::Button2Click);
  make_button("Button4", "Clear", 1, 1, &PlaylistPanel::Button4Click);
  make_button("Button3", "Sort", 2, 0, &PlaylistPanel::Button3Click);
  make_button("Button5", "Random", 2, 1, &PlaylistPanel::Button5Click);

  auto* column = new QWidget(group);
  column->setFixedWidth(185);
  auto* column_layout = new QVBoxLayout(column);
  column_layout->setContentsMargins(0, 0, 0, 0);
  column_layout->setSpacing(0);
  column_layout->addWidget(playlist_list_, 1);
  column_layout->addWidget(strip);

  content_list_ = new ContentList(this, group);
  content_list_->setContextMenuPolicy(Qt::CustomContextMenu);

  auto* row = new QHBoxLayout(group);
  row->addWidget(column);
  row->addWidget(content_list_, 1);

  context_menu_ = new QMenu(this);
  context_menu_->setObjectName("PopupMenu1");
  connect(context_menu_->addAction("Sort"), &QAction::triggered, this,
          &PlaylistPanel::Button3Click);
  connect(context_menu_->addAction("Clear"), &QAction::triggered, this,
          &PlaylistPanel::Button4Click);
  context_menu_->addSeparator();
  connect(context_menu_->addAction("Remove selected songs"), &QAction::triggered, this,
          &PlaylistPanel::Removeselectedsongs1Click);
  // Delete in the content list removes the selected songs, as the menu item does.
  auto* remove_key = new QAction(content_list_);
  remove_key->setShortcut(QKeySequence::Delete);
  remove_key->setShortcutContext(Qt::WidgetShortcut);
  content_list_->addAction(remove_key);
  connect(remove_key, &QAction::triggered, this, &PlaylistPanel::Removeselectedsongs1Click);
  connect(content_list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    context_menu_->popup(content_list_->viewport()->mapToGlobal(pos));
  });

  connect(playlist_list_, &QListWidget::currentRowChanged, this, [this](int) { ListBox1Click(); });
  connect(playlist_list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (playlist_list_->row(item) == row_at_press_) ListBox1Click();
  });
}

void PlaylistPanel::SetTreeSource(QWidget* tree, std::function<const SongNode*()> selected_node) {
  tree_ = tree;
  selected_node_ = std::move(selected_node);
}

void PlaylistPanel::ReloadPlaylists() {
  Run([this] {
    playlists_.ListPlaylists();
    if (!playlists_.names().empty()) playlists_.SelectPlaylist(0);
    playlists_.ShowSelectedPlaylist();
  });
}

bool PlaylistPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == playlist_list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    row_at_press_ = playlist_list_->currentRow();
  }
  return QWidget::eventFilter(watched, event);
}

DragSource PlaylistPanel::SourceKind(QObject* source) const {
  if (!source) return DragSource::kOther;
  if (source == content_list_ || source == content_list_->viewport()) {
    return DragSource::kContentList;
  }
  if (tree_ && (source == tree_ || source->parent() == tree_)) return DragSource::kSongTree;
  return DragSource::kOther;
}

bool PlaylistPanel::listDragOver(QObject* source) {
  ReadWidgets();
  return AcceptsDrop(playlists_, SourceKind(source));
}

void PlaylistPanel::listDragDrop(QObject* source, const QPoint& point) {
  const DragSource kind = SourceKind(source);
  Run([&] {
    if (!AcceptsDrop(playlists_, kind)) return;
    const QListWidgetItem* item = content_list_->itemAt(point);
    const int index = DropIndex(item ? content_list_->row(item) : -1, playlists_.content().size());
    if (kind == DragSource::kSongTree) {
      DropTreeNode(playlists_, selected_node_ ? selected_node_() : nullptr, index);
    } else {
      DropListEntry(playlists_, index);
    }
  });
}

void PlaylistPanel::ListBox1Click() {
  Run([this] { playlists_.ShowSelectedPlaylist(); });
}

void PlaylistPanel::Button1Click() {
  Run([this] { playlists_.New(); });
}

void PlaylistPanel::Button2Click() {
  Run([this] { playlists_.Delete(); });
}

void PlaylistPanel::Button3Click() {
  Run([this] { playlists_.Sort(); });
}

void PlaylistPanel::Button4Click() {
  Run([this] { playlists_.Clear(); });
}

void PlaylistPanel::Removeselectedsongs1Click() {
  Run([this] { playlists_.RemoveSelectedSongs(); });
}

void PlaylistPanel::Button5Click() {
  Run([this] { playlists_.Random(); });
}

void PlaylistPanel::Run(const std::function<void()>& command) {
  ReadWidgets();
  try {
    command();
  } catch (const std::exception& e) {
    ShowLists();
    prompter_->ShowError(e.what());
    return;
  }
  ShowLists();
}

void PlaylistPanel::ReadWidgets() {
  playlists_.SelectPlaylist(playlist_list_->currentRow());
  PlaylistContent& content = playlists_.content();
  const int rows = std::min(content.size(), content_list_->count());
  for (int i = 0; i < rows; ++i) content.SetSelected(i, content_list_->item(i)->isSelected());
  content.SetFocused(content_list_->currentRow());
}

void PlaylistPanel::ShowLists() {
  const QSignalBlocker block_names(playlist_list_);
  const QSignalBlocker block_content(content_list_);

  const std::vector<std::string>& names = playlists_.names();
  playlist_list_->clear();
  for (const std::string& name : names) playlist_list_->addItem(ToQt(name));
  playlist_list_->setCurrentRow(playlists_.selected_index());

  const PlaylistContent& content = playlists_.content();
  const int scroll = content_list_->verticalScrollBar()->value();
  content_list_->clear();
  QStringList texts;
  texts.reserve(content.size());
  for (int i = 0; i < content.size(); ++i) texts.append(ToQt(content.text(i)));
  content_list_->addItems(texts);
  for (int i = 0; i < content.size(); ++i) {
    if (content.selected(i)) content_list_->item(i)->setSelected(true);
  }
  if (content.focused() >= 0) {
    content_list_->selectionModel()->setCurrentIndex(
        content_list_->model()->index(content.focused(), 0), QItemSelectionModel::NoUpdate);
  }
  content_list_->verticalScrollBar()->setValue(scroll);
}

}  // namespace plondex
