#pragma once

// Where the playlists live: one folder on the player, named by the "playlists" setting.

#include <string>
#include <string_view>

#include "platform/player_files.h"

namespace plondex {

// What the playlist commands need to know about the player and the settings. Read anew for every
// command, since the options dialog may change the drive or the folder at any time.
struct PlaylistContext {
  char drive_letter = ' ';  // ' ' when no player drive was found
  std::string folder_name;  // the "playlists" setting; may hold several levels
  bool nowrite = false;     // playlist contents are not saved
};

// True when the context names a drive letter at all.
bool HasPlayerDrive(const PlaylistContext& context);

// "e:\playlists"
PlayerPath PlaylistFolderPath(const PlaylistContext& context);

// "e:\playlists\Road.m3u" for the name as the playlist list shows it.
PlayerPath PlaylistFilePath(const PlaylistContext& context, std::string_view name);

// True for a name ending in ".m3u", in any letter case.
bool IsPlaylistFileName(std::string_view name);

// False for a typed name that would leave the playlist folder or that no file system takes:
// one holding \ / : * ? " < > | or a control character, and the names "." and "..".
// The empty name is accepted (it gives ".m3u").
bool IsValidPlaylistName(std::string_view typed);

}  // namespace plondex
