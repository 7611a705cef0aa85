#pragma once

// Check states of the song tree. Songs carry the user's choice in their checked flag; a node with
// children shows 1 when all its children show 1, 2 when all show 2, and 3 otherwise.

#include <cstdint>
#include <string>
#include <vector>

#include "library/songtree.h"

namespace plondex {

// Every node's state from the leaves' checked flags.
void RecomputeCheckStates(SongTree& tree);

// The states of the node's ancestors, each from its children's states as they stand. The node's
// own state is left alone.
void RecomputeAncestorStates(SongNode* node);

// What a click on the node's check icon does: a leaf flips its flag; a node with children checks
// everything below it unless it is fully checked, in which case it unchecks everything. The
// ancestors follow.
void ToggleNode(SongNode* node);

// The node and everything below it take the state; the checked flag becomes 0 for kUnchecked and
// 1 otherwise.
void SetSubtreeState(SongNode* node, CheckState state);

// Checks the songs of the tree that these player paths name, matched as songs.dat lines are
// (letter case and drive letter aside); the other checks stay and the states follow. Gives how
// many songs it found.
int CheckNamedSongs(SongTree& tree, std::vector<std::string> player_paths, char drive_letter);

// Writes the node paths of the checked leaves (the root left out), in tree order, each line ended
// by CR LF, to the file at path, replacing it whole; nothing checked gives an empty file. An empty
// tree writes nothing. Throws Error when the file cannot be written.
void SaveCheckStates(const SongTree& tree, char drive_letter, const std::string& path);

}  // namespace plondex
