#pragma once

// The saved check list: the paths of songs.dat, looked up while the drive is scanned. A path
// matches a line that names the same folders and file, with letter case ignored in the locale's
// own sense of case. The drive letters of paths and lines play no part: another drive mounted
// beside the player can change the player's letter.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plondex {

class SavedCheckList {
 public:
  SavedCheckList() = default;
  // Takes the lines as they are; empty lines are dropped since no path can match them.
  explicit SavedCheckList(std::vector<std::string> lines);
  // The look-up tables point into the lines: moving keeps them valid, a copy would not.
  SavedCheckList(const SavedCheckList&) = delete;
  SavedCheckList& operator=(const SavedCheckList&) = delete;
  SavedCheckList(SavedCheckList&&) = default;
  SavedCheckList& operator=(SavedCheckList&&) = default;

  // The lines of a songs.dat file. No file gives an empty list; a file that exists but cannot be
  // read throws Error with the reason.
  static SavedCheckList Load(const std::string& path);

  // True when a line names this path (case-insensitive, drive letters aside). Not for use from
  // two threads at once: it fills its look-up tables as it goes.
  bool Contains(std::string_view path) const;

  bool empty() const { return lines_.empty(); }
  // Lines, the empty ones left out.
  size_t size() const { return lines_.size(); }

 private:
  // The file names of the lines of one folder, and once needed their collation keys in byte
  // order: a probe is keyed once and then found by plain byte comparisons.
  struct Folder {
    std::vector<std::string_view> names;  // into lines_
    std::vector<std::string> keys;
  };

  void GroupLines() const;
  // The collation keys of a folder path's names, joined by a byte no key holds.
  std::string FolderKey(std::string_view folder) const;
  // The lines in the folder that matches this one, or nullptr.
  Folder* FolderOf(std::string_view folder) const;

  // Paths are looked for in three steps, cheapest first. songs.dat is written in tree order,
  // which is the order of the scan until the drive or the order changes: so first the line after
  // the last one found. Then any line spelled exactly like the path. Only then the collation
  // keys, the costly part: a folder of the scan is keyed once, and a file name only when the
  // list names its folder at all.
  std::vector<std::string> lines_;
  mutable size_t next_ = 0;
  mutable bool indexed_ = false;
  mutable std::unordered_map<std::string_view, size_t> index_;  // line -> where it is
  mutable bool grouped_ = false;
  mutable std::unordered_map<std::string, Folder> folders_;  // by FolderKey
  mutable Folder loose_;                                     // lines without a '\'
  mutable std::unordered_map<std::string, std::string> name_keys_;
  mutable std::unordered_map<std::string, Folder*> folder_of_text_;
  mutable std::string last_folder_ = std::string(1, '\0');  // no path holds a NUL
  mutable Folder* last_match_ = nullptr;
};

}  // namespace plondex
