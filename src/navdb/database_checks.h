#pragma once

// Starting from the database the player already has: the songs it lists become the checked songs
// of the tree.

#include <string>

#include "library/songtree.h"
#include "platform/player_files.h"

namespace plondex {

struct DatabaseChecks {
  enum class Outcome { kChecked, kNoDatabase, kDamaged };
  Outcome outcome = Outcome::kChecked;
  int checked = 0;      // songs of the tree that are now checked
  int missing = 0;      // records that no song of the tree stands for
  std::string problem;  // kDamaged: what the database reader found, and where
};

// Reads the database on the drive of drive_letter and, when it reads, makes the checks of the
// tree exactly the songs whose node path without the drive letter and colon is a record's path
// (compared as songs.dat lines are: letter case ignored); the folders' states follow. Without a
// database, or with a damaged one, the checks stay as they are. Throws Error when the file exists
// but cannot be read, and, changing nothing, when the drive is missing or the tree was not scanned
// from it (RequireSongListOfPlayer).
DatabaseChecks CheckSongsOfDatabase(SongTree& tree, const PlayerFiles& files, char drive_letter);

// The text that tells the user what came of it.
std::string DatabaseChecksMessage(const DatabaseChecks& checks);

}  // namespace plondex
