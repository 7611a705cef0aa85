#pragma once

// Commands that rearrange the song tree.

#include "library/songtree.h"

namespace plondex {

// Sorts the children of every node, at every level, by their text in the locale's order with
// letter case counting. Equal texts keep their order.
void SortSongTree(SongTree& tree);

}  // namespace plondex
