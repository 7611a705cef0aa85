#pragma once

// The content list: the entries of the selected playlist as last loaded and then changed in
// memory, with the entries the user selected and the one holding the focus.

#include <string>
#include <vector>

namespace plondex {

class PlaylistContent {
 public:
  int size() const { return static_cast<int>(entries_.size()); }
  bool empty() const { return entries_.empty(); }
  const std::string& text(int index) const { return entries_.at(index).text; }
  std::vector<std::string> Texts() const;

  bool selected(int index) const { return entries_.at(index).selected; }
  // Out-of-range indexes are ignored.
  void SetSelected(int index, bool selected);
  int SelectedCount() const;

  // The focused entry (the one clicked last), or -1.
  int focused() const { return focused_; }
  // Out-of-range indexes give -1.
  void SetFocused(int index);

  // Replaces every entry; nothing is selected or focused afterwards.
  void Assign(std::vector<std::string> texts);
  void Clear() { Assign({}); }
  // Inserts before index; an index outside 0..size() appends.
  void Insert(int index, std::string text, bool selected = false);
  void Append(std::string text, bool selected = false) {
    Insert(size(), std::move(text), selected);
  }
  // Out-of-range indexes are ignored.
  void Erase(int index);

 private:
  struct Entry {
    std::string text;
    bool selected = false;
  };
  std::vector<Entry> entries_;
  int focused_ = -1;
};

}  // namespace plondex
