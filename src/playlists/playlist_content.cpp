#include "playlists/playlist_content.h"

#include <algorithm>

namespace plondex {

std::vector<std::string> PlaylistContent::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(entries_.size());
  for (const Entry& e : entries_) texts.push_back(e.text);
  return texts;
}

void PlaylistContent::SetSelected(int index, bool selected) {
  if (index >= 0 && index < size()) entries_[index].selected = selected;
}

int PlaylistContent::SelectedCount() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.selected; }));
}

void PlaylistContent::SetFocused(int index) {
  focused_ = index >= 0 && index < size() ? index : -1;
}

void PlaylistContent::Assign(std::vector<std::string> texts) {
  entries_.clear();
  entries_.reserve(texts.size());
  for (std::string& t : texts) entries_.push_back(Entry{std::move(t), false});
  focused_ = -1;
}

void PlaylistContent::Insert(int index, std::string text, bool selected) {
  if (index < 0 || index > size()) index = size();
  entries_.insert(entries_.begin() + index, Entry{std::move(text), selected});
  if (focused_ >= index) ++focused_;
}

void PlaylistContent::Erase(int index) {
  if (index < 0 || index >= size()) return;
  entries_.erase(entries_.begin() + index);
  if (focused_ > index) {
    --focused_;
  } else if (focused_ == index) {
    focused_ = std::min(index, size() - 1);
  }
}

}  // namespace plondex
