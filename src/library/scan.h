#pragma once

// The search of the player drive that fills the song tree, and the node path: the one rule that
// turns a tree node into a file path on the player.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "library/checklist.h"
#include "library/songtree.h"

namespace plondex {

// Called with the node total whenever a song node brings it to a multiple of 10.
using ScanCountFn = std::function<void(size_t node_total)>;

// Clears the tree and fills it from the drive: the root "All songs", then every folder and song
// below the drive's root in the file system's order. Songs named in the check list file at
// songs_dat_path (a missing file names none) come back checked. When that file cannot be read
// this throws Error and leaves the tree as it was. Folder states are provisional: recompute the
// check states afterwards. A drive letter that is no letter gives the root alone.
void RebuildSongTree(SongTree& tree, char drive_letter, const std::string& songs_dat_path,
                     const ScanCountFn& on_count);

// Adds everything below one folder (a player path ending in '\') under parent. An entry that
// fails is left out and the search goes on.
void ScanFolder(SongTree& tree, const std::string& folder, SongNode* parent,
                const SavedCheckList& saved, const ScanCountFn& on_count);

// True for a file name the scan takes as a song: extension ".mp3", ".ogg" or ".wma" in any case.
bool IsSongFileName(std::string_view name);

// The drive letter, ":\", the names of the node's folders below the root each followed by '\',
// then the node's own name. The root itself gives the drive's root folder, "e:\".
std::string NodePath(const SongNode& node, char drive_letter);

}  // namespace plondex
