#include "navdb/database_checks.h"

#include <vector>

#include "library/checklist.h"
#include "library/checkstates.h"
#include "library/scan.h"
#include "navdb/database_build.h"
#include "navdb/dbreader.h"
#include "platform/files.h"

namespace plondex {

DatabaseChecks CheckSongsOfDatabase(SongTree& tree, const PlayerFiles& files, char drive_letter) {
  RequireSongListOfPlayer(tree, files, drive_letter);
  DatabaseChecks result;
  const FileLocation file =
      files.Locate(PlayerPath(std::string{drive_letter, ':', '\\'} + kDatabaseFileName));
  if (!FileExists(file)) {
    result.outcome = DatabaseChecks::Outcome::kNoDatabase;
    return result;
  }
  const DbContents contents = ReadDatabase(ReadWholeFile(file, irivdb_layout::kMaxFileSize));
  if (contents.problem) {
    result.outcome = DatabaseChecks::Outcome::kDamaged;
    result.problem = contents.problem->Message();
    return result;
  }
  SongNode* root = tree.root();
  if (!root) {
    result.missing = static_cast<int>(contents.songs.size());
    return result;
  }
  // Records and songs are matched as songs.dat lines are matched with songs, both ways round.
  std::vector<std::string> record_paths;
  record_paths.reserve(contents.songs.size());
  for (const tsong& song : contents.songs) record_paths.push_back(song.Path);
  const SavedCheckList records(std::move(record_paths));
  std::vector<std::string> song_paths;
  ForEachLeaf(*root, [&](SongNode& leaf) {
    if (&leaf == root) return;
    std::string path = NodePath(leaf, drive_letter).text().substr(2);
    leaf.checked = records.Contains(path) ? 1 : 0;
    result.checked += leaf.checked;
    song_paths.push_back(std::move(path));
  });
  RecomputeCheckStates(tree);
  const SavedCheckList songs(std::move(song_paths));
  for (const tsong& song : contents.songs) result.missing += songs.Contains(song.Path) ? 0 : 1;
  return result;
}

std::string DatabaseChecksMessage(const DatabaseChecks& checks) {
  switch (checks.outcome) {
    case DatabaseChecks::Outcome::kNoDatabase:
      return "The iHP has no database yet.";
    case DatabaseChecks::Outcome::kDamaged:
      return "The database of the iHP cannot be read: " + checks.problem;
    case DatabaseChecks::Outcome::kChecked:
      break;
  }
  std::string text = std::to_string(checks.checked) + " songs of the database are checked.";
  if (checks.missing != 0) {
    text += " " + std::to_string(checks.missing) +
            " songs of the database are no longer on the player.";
  }
  return text;
}

}  // namespace plondex
