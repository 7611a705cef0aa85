#include "library/checklist.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "library/textlines.h"
#include "platform/collation.h"
#include "platform/files.h"

namespace plondex {
namespace {

// A path is compared name by name: the folders before the last '\', then the file name. nullopt
// for the folder when there is no '\' at all.
std::pair<std::optional<std::string_view>, std::string_view> SplitFolder(std::string_view path) {
  const size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) return {std::nullopt, path};
  return {path.substr(0, cut), path.substr(cut + 1)};
}

// A path without its drive letter and colon. The list belongs to the one player the settings
// name, whatever letter it had when the list was written.
std::string_view WithoutDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}

}  // namespace

SavedCheckList::SavedCheckList(std::vector<std::string> lines) : lines_(std::move(lines)) {
  for (std::string& line : lines_) {
    if (WithoutDrive(line).size() != line.size()) line.erase(0, 2);
  }
  lines_.erase(std::remove(lines_.begin(), lines_.end(), std::string()), lines_.end());
}

SavedCheckList SavedCheckList::Load(const std::string& path) {
  const FileLocation file(path);
  if (!FileExists(file)) return SavedCheckList();
  return SavedCheckList(SplitTextLines(ReadWholeFile(file)));
}

std::string SavedCheckList::FolderKey(std::string_view folder) const {
  // Collation keys hold no zero byte, so one between the names keeps the names apart.
  std::string key;
  size_t start = 0;
  while (true) {
    const size_t end = std::min(folder.find('\\', start), folder.size());
    const std::string name(folder.substr(start, end - start));
    auto known = name_keys_.find(name);
    if (known == name_keys_.end()) known = name_keys_.emplace(name, SortKeyNoCase(name)).first;
    key += known->second;
    if (end == folder.size()) return key;
    key += '\0';
    start = end + 1;
  }
}

void SavedCheckList::GroupLines() const {
  // Lines of one folder mostly spell it the same way: key each spelling once.
  std::unordered_map<std::string_view, std::vector<std::string_view>> by_spelling;
  for (const std::string& line : lines_) {
    const auto [folder, name] = SplitFolder(line);
    if (folder) {
      by_spelling[*folder].push_back(name);
    } else {
      loose_.names.push_back(name);
    }
  }
  for (const auto& [folder, names] : by_spelling) {
    std::vector<std::string_view>& group = folders_[FolderKey(folder)].names;
    group.insert(group.end(), names.begin(), names.end());
  }
  grouped_ = true;
}

SavedCheckList::Folder* SavedCheckList::FolderOf(std::string_view folder) const {
  // The scan asks for the songs of one folder in a row.
  if (folder == last_folder_) return last_match_;
  const std::string text(folder);
  auto known = folder_of_text_.find(text);
  if (known == folder_of_text_.end()) {
    auto group = folders_.find(FolderKey(folder));
    known = folder_of_text_.emplace(text, group == folders_.end() ? nullptr : &group->second).first;
  }
  last_folder_ = text;
  last_match_ = known->second;
  return last_match_;
}

bool SavedCheckList::Contains(std::string_view drive_path) const {
  const std::string_view path = WithoutDrive(drive_path);
  if (lines_.empty() || path.empty()) return false;
  if (next_ < lines_.size() && lines_[next_] == path) {
    ++next_;
    return true;
  }
  if (!indexed_) {
    index_.reserve(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) index_.emplace(lines_[i], i);
    indexed_ = true;
  }
  if (auto found = index_.find(path); found != index_.end()) {
    next_ = found->second + 1;
    return true;
  }
  if (!grouped_) GroupLines();
  const auto [folder, name] = SplitFolder(path);
  Folder* lines = folder ? FolderOf(*folder) : &loose_;
  if (!lines || lines->names.empty()) return false;
  if (lines->keys.empty()) {
    lines->keys.reserve(lines->names.size());
    for (std::string_view n : lines->names) lines->keys.push_back(SortKeyNoCase(n));
    std::sort(lines->keys.begin(), lines->keys.end());
  }
  return std::binary_search(lines->keys.begin(), lines->keys.end(), SortKeyNoCase(name));
}

}  // namespace plondex
