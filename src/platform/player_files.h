#pragma once

// Paths on the player and where they are on this system. A player path is 8-bit text in the
// player's own form, "e:\Music\Rock\Track 01.mp3"; node paths, songs.dat, playlists, the database
// and the log all hold it. Only PlayerFiles turns one into a native path, through the drive table
// it is given.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/drives.h"
#include "platform/files.h"

namespace plondex {

class PlayerPath {
 public:
  PlayerPath() = default;
  explicit PlayerPath(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }
  // The drive letter in lower case; 0 when the text does not begin with a letter and ':'.
  char letter() const;
  bool operator==(const PlayerPath&) const = default;

 private:
  std::string text_;
};

// Reaches the player's files through one drive table.
class PlayerFiles {
 public:
  // The table must outlive this object.
  explicit PlayerFiles(const DriveTable& drives) : drives_(drives) {}
  PlayerFiles(const PlayerFiles&) = delete;
  PlayerFiles& operator=(const PlayerFiles&) = delete;

  const DriveTable& drives() const { return drives_; }

  // The native folder that is the drive's root, without a trailing '/' (but "/" itself); nullopt
  // when the letter is no letter or stands for nothing.
  std::optional<std::string> DriveRoot(char letter) const;

  // Where a player path is, shown as the player path. It is resolved name by name: each name is
  // looked up as UTF-8 first, then as its raw bytes, then by its 8-bit form among the folder's
  // entries; a name that exists nowhere is taken as UTF-8. It leads nowhere when the letter has
  // no root, or a name is "." or ".." or holds a '/' or a zero byte.
  FileLocation Locate(const PlayerPath& path) const;

  // Makes sure that a folder exists, creating missing parents first. One trailing '\' is removed;
  // a path of fewer than 3 characters or an existing folder counts as success. An empty path
  // throws Error("Unable to create directory").
  bool CreateFolderPath(const PlayerPath& folder) const;

 private:
  // The native name of the folder's first entry whose 8-bit form is name.
  std::optional<std::string> FindByAnsiName(const std::string& folder, std::string_view name) const;
  std::string ResolveName(const std::string& folder, std::string_view name) const;

  const DriveTable& drives_;
  // The entries of the folder searched last, by their 8-bit names. Names that are looked up
  // one after another mostly lie in one folder, and listing a large folder once per name would
  // make that quadratic.
  mutable std::mutex mutex_;
  mutable std::string listed_folder_;
  mutable std::unordered_map<std::string, std::string> native_by_ansi_;
};

}  // namespace plondex
