#include "playlists/playlist_drop.h"

#include "library/scan.h"

namespace plondex {

bool AcceptsDrop(const Playlists& playlists, DragSource source) {
  return source != DragSource::kOther && playlists.selected_index() >= 0;
}

int DropIndex(int row_under_point, int entry_count) {
  return row_under_point >= 0 && row_under_point < entry_count ? row_under_point : -1;
}

void AddNodeEntries(const SongNode& node, int& position, char drive_letter,
                    PlaylistContent& content) {
  ForEachLeaf(node, [&](const SongNode& leaf) {
    // A folder without songs is a leaf too, but nothing the player can play.
    if (!IsSongNode(leaf)) return;
    const std::string path = NodePath(leaf, drive_letter).text();
    std::string entry = path.size() > 2 ? path.substr(2) : std::string();
    if (position < 0) {
      content.Append(std::move(entry));
    } else {
      content.Insert(position, std::move(entry));
      ++position;
    }
  });
}

bool MoveEntry(PlaylistContent& content, int from, int drop_index) {
  if (from < 0 || from >= content.size() || from == drop_index) return false;
  if (drop_index >= content.size()) drop_index = -1;
  const std::string text = content.text(from);
  const bool selected = content.selected(from);
  content.Erase(from);
  int to;
  if (drop_index < 0) {
    to = content.size();
  } else if (from < drop_index) {
    to = drop_index - 1;
  } else {
    to = drop_index;
  }
  content.Insert(to, text, selected);
  content.SetFocused(to);
  return true;
}

void DropTreeNode(Playlists& playlists, const SongNode* node, int drop_index) {
  if (!AcceptsDrop(playlists, DragSource::kSongTree)) return;
  if (node) {
    int position = DropIndex(drop_index, playlists.content().size());
    AddNodeEntries(*node, position, playlists.context().drive_letter, playlists.content());
  }
  playlists.SaveSelectedPlaylist();
}

void DropListEntry(Playlists& playlists, int drop_index) {
  if (!AcceptsDrop(playlists, DragSource::kContentList)) return;
  PlaylistContent& content = playlists.content();
  if (MoveEntry(content, content.focused(), DropIndex(drop_index, content.size()))) {
    playlists.SaveSelectedPlaylist();
  }
}

}  // namespace plondex
