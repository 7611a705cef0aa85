#pragma once

// The "Playlists" part of the main window: the playlist list with its buttons, and the content
// list that takes songs dragged from the song tree and entries moved within itself. The widgets
// only show the core's Playlists; every handler reads the widget state into it, runs one
// command, and shows the result.

#include <QListWidget>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "library/songtree.h"
#include "platform/prompter.h"
#include "playlists/playlist_drop.h"
#include "playlists/playlist_folder.h"
#include "playlists/playlists.h"

class QMenu;

namespace plondex {

class PlaylistPanel : public QWidget {
  Q_OBJECT

 public:
  // files reaches the player and must outlive the panel.
  PlaylistPanel(Prompter* prompter, const PlayerFiles* files,
                std::function<PlaylistContext()> context, QWidget* parent = nullptr);

  // Drags that come from this widget (or its viewport) are song tree drags; selected_node gives
  // the tree's selected node at the time of the drop.
  void SetTreeSource(QWidget* tree, std::function<const SongNode*()> selected_node);

  // Lists the playlist folder, selects the first playlist and shows it. Failures go to the
  // prompter's error box.
  void ReloadPlaylists();

  Playlists& playlists() { return playlists_; }
  QListWidget* playlist_list() const { return playlist_list_; }
  QListWidget* content_list() const { return content_list_; }
  QMenu* context_menu() const { return context_menu_; }

  // The content list's drag handlers: whether a drag from source may drop, and the drop at a
  // point of the list's viewport.
  bool listDragOver(QObject* source);
  void listDragDrop(QObject* source, const QPoint& point);

 public slots:
  void ListBox1Click();
  void Button1Click();  // New
  void Button2Click();  // Delete
  void Button3Click();  // Sort
  void Button4Click();  // Clear
  void Removeselectedsongs1Click();
  void Button5Click();  // Random

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DragSource SourceKind(QObject* source) const;
  // Reads the widgets into the core, runs the command, reports its failure, shows the lists.
  void Run(const std::function<void()>& command);
  void ReadWidgets();
  void ShowLists();

  Prompter* prompter_;
  Playlists playlists_;
  QWidget* tree_ = nullptr;
  std::function<const SongNode*()> selected_node_;

  QListWidget* playlist_list_ = nullptr;  // "ListBox1"
  QListWidget* content_list_ = nullptr;   // "list"
  QMenu* context_menu_ = nullptr;
  // The current playlist row when the mouse went down, to tell a click on the current row (which
  // reloads it) from one that changes the row (which is handled as the row changes).
  int row_at_press_ = -1;
};

}  // namespace plondex
