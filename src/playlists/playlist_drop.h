#pragma once

// Dropping onto the content list: songs and folders from the song tree are inserted at the drop
// point, and an entry of the list itself is moved. One write of the playlist per drop.

#include "library/songtree.h"
#include "playlists/playlist_content.h"
#include "playlists/playlists.h"

namespace plondex {

enum class DragSource { kSongTree, kContentList, kOther };

// Whether the content list takes a drop: only from the tree or the list, and only while a
// playlist is selected.
bool AcceptsDrop(const Playlists& playlists, DragSource source);

// The drop index for the row under the drop point: the row when it is an entry, else -1.
int DropIndex(int row_under_point, int entry_count);

// Inserts the entries of the node's songs (folders without songs add nothing), depth first in tree
// order, at position, advancing position past them; position -1 appends. The entry is the node
// path without the drive letter and colon. The root alone stands for no file and adds nothing.
void AddNodeEntries(const SongNode& node, int& position, char drive_letter,
                    PlaylistContent& content);

// Moves the entry at from so that it stands directly before the entry at drop_index as it was,
// or last for -1. False (and nothing changed) for a drop onto itself or a bad index.
bool MoveEntry(PlaylistContent& content, int from, int drop_index);

// The drop of the tree's selected node (nullptr: nothing is inserted), then one save.
void DropTreeNode(Playlists& playlists, const SongNode* node, int drop_index);
// The drop of the list's focused entry; saves only when something moved.
void DropListEntry(Playlists& playlists, int drop_index);

}  // namespace plondex
