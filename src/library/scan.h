#pragma once

// The search of the player drive that fills the song tree, and the node path: the one rule that
// turns a tree node into a file path on the player.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "library/songtree.h"
#include "platform/player_files.h"

namespace plondex {

// Called with the node total whenever a song node brings it to a multiple of 10.
using ScanCountFn = std::function<void(size_t node_total)>;
// Asked before each entry the scan looks at; true stops the scan.
using ScanCancelFn = std::function<bool()>;

// Fills the tree afresh from the drive: the root "All songs", then every folder and song below
// the drive's root in the file system's order. Songs named in the check list file at
// songs_dat_path (a native path; a missing file names none) come back checked; but a song that
// the tree shown so far (shown, when given: a tree of the same player) holds keeps the check it
// has there, matched by path as the check list is. The new tree is
// built apart and replaces the old one only when the scan is complete: when the check list file
// cannot be read this throws Error, and when cancelled says stop it gives false, and either way
// the tree stays as it was. Folder states are provisional: recompute the check states
// afterwards. A drive letter that is no letter, or one the table has no root for, gives the root
// alone.
bool RebuildSongTree(SongTree& tree, const PlayerFiles& files, char drive_letter,
                     const std::string& songs_dat_path, const ScanCountFn& on_count,
                     const ScanCancelFn& cancelled = nullptr, const SongTree* shown = nullptr);

inline constexpr char kNotConnectedMessage[] = "IHP not connected!";
inline constexpr char kSongListNotFromPlayerMessage[] =
    "The song list is not from the connected iHP. Press Refresh (F5) first.";

// What every command that acts on the player's songs makes sure of first: the drive is there
// (else Error kNotConnectedMessage), and the tree was scanned from that drive's root as it is now
// (else Error kSongListNotFromPlayerMessage). A tree of another player, or of this one under a
// mount point it no longer has, would have every song read as missing.
void RequireSongListOfPlayer(const SongTree& tree, const PlayerFiles& files, char drive_letter);

// True for a file name the scan takes as a song: extension ".mp3", ".ogg" or ".wma" in any case.
bool IsSongFileName(std::string_view name);

// True for a node that stands for a song: a leaf below the root with a song's name that the scan
// did not list as a folder.
bool IsSongNode(const SongNode& node);

// The drive letter, ":\", the names of the node's folders below the root each followed by '\',
// then the node's own name. The root itself gives the drive's root folder, "e:\".
PlayerPath NodePath(const SongNode& node, char drive_letter);

// Where a node is on this system without looking any name up: the tree's scan root joined with
// the native names the scan listed. nullopt for a node that no scan made, or when the tree was
// scanned from another folder than drive_root (PlayerFiles::DriveRoot of the letter in use: the
// letter or the mount may have changed since).
std::optional<std::string> ScannedNativePath(const SongTree& tree, const SongNode& node,
                                             const std::string& drive_root);
// The native names the scan listed, from below the root down to the node, joined by '/'
// ("Music/a.mp3"; empty for the root itself); nullopt for a node that no scan made.
std::optional<std::string> ScannedRelativePath(const SongNode& node);

}  // namespace plondex
