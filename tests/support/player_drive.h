#pragma once

// A folder as the player drive of a test: the test owns the drive table and the files on it.

#include <string>

#include "platform/drives.h"
#include "platform/player_files.h"

namespace plondex::test {

class PlayerDrive {
 public:
  PlayerDrive() = default;
  explicit PlayerDrive(const std::string& folder, char letter = 'e') { Use(folder, letter); }
  PlayerDrive(const PlayerDrive&) = delete;
  PlayerDrive& operator=(const PlayerDrive&) = delete;

  // The folder becomes the drive of the letter.
  void Use(const std::string& folder, char letter = 'e') {
    drives.Add(letter, folder, "IHP-120", "1234-ABCD");
  }

  // Where a player path ("e:\\Music\\a.mp3") is.
  FileLocation Locate(const std::string& player_path) const {
    return files.Locate(PlayerPath(player_path));
  }

  FolderDrives drives;
  PlayerFiles files{drives};
};

}  // namespace plondex::test
