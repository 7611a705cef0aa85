#pragma once

// The saved check list: the paths of songs.dat, looked up while the drive is scanned. A path
// matches a line that equals it with letter case ignored, in the locale's own sense of case.

#include <string>
#include <string_view>
#include <vector>

namespace plondex {

class SavedCheckList {
 public:
  SavedCheckList() = default;
  // Takes the lines as they are; empty lines are dropped since no path can match them.
  explicit SavedCheckList(const std::vector<std::string>& lines);

  // The lines of a songs.dat file. No file gives an empty list; a file that exists but cannot be
  // read throws Error with the reason.
  static SavedCheckList Load(const std::string& path);

  // True when a line names this path (case-insensitive).
  bool Contains(std::string_view path) const;

  bool empty() const { return keys_.empty(); }
  // Distinct entries, counted after case folding.
  size_t size() const { return keys_.size(); }

 private:
  // One collation key per distinct line, in byte order: a probe is keyed once and then found by
  // plain byte comparisons.
  std::vector<std::string> keys_;
};

}  // namespace plondex
